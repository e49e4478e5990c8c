#pragma once

#include <QString>

// The folder holding the signature files and pictures: "resources" beside the
// executable (build tree), else "../share/ostrel-recovery/resources" from the
// executable's folder (installed tree). Returns the first that exists, or the
// first candidate when neither does (so loading reports empty tables rather
// than reading from the working directory).
QString findResourceDir(const QString& executableDir);
