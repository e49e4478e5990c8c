#pragma once
// Which entries of a signature table one header hit carves together (the
// video, raw-file and audio modes): the hit entry and every later entry whose
// header is contained in the hit's header, or contains it at the same
// position. The engine carves by it and the shipped-table test checks the
// shipped tables against it, so both follow one rule.

#include <QStringList>

#include <vector>

namespace ostrel {

// The carve group of `entry` (0-based) in a flat signature table: entry
// numbers in table order, `entry` first. Header texts are compared as
// written (case-sensitive). Any thread.
std::vector<int> carveGroupOf(const QStringList& table, int entry);

} // namespace ostrel
