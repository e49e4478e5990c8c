#pragma once
// Where recovered files go and what they are called.
//
// Folder tree under the destination:
//   destination / <bundle name> Results / <mode folder> / <pass folder> /
//   <type folder> / <file name>
// A type folder holds at most a set number of files (50000); the next file
// opens a numbered sibling (JPG, JPG_001, ... JPG_999).

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace ostrel {

// "Photo Search", "Video Search", "File Search" or "Audio File Search".
QString modeFolderName(int mode);

// "General Recovery Results" or "Omitted (recovered by Thorough Scan)".
QString passFolderName(bool thorough);

// The extension as a safe single path component: '/' and NUL become '_', and
// an empty name, "." or ".." becomes "NOEXT", so a signature can never steer
// a file outside its folder.
QString safePathComponent(const QString& extension);

// Name of the folder after `current` once it is full: "JPG" -> "JPG_001",
// "JPG_001" -> "JPG_002", "RAW_X" -> "RAW_001"; empty after "..._999".
QString nextRollOverFolder(const QString& current);

// Per-type folder counters: triples (type, files in the current folder
// minus 1, current folder name), one per type of the running pass.
class FolderCounters {
public:
    explicit FolderCounters(int filesPerFolder = 50000) : limit_(filesPerFolder) {}

    // Rebuilds the triples from a flat signature table, one per extension in
    // table order, each at -1 with its own (safe) folder name.
    void rebuild(const QStringList& table);

    // Counts one more file of `type` and returns the folder it goes in,
    // rolling over to the next folder once the current one is full.
    QString place(const QString& type);

    // The counter and folder of `type` (tests and diagnostics).
    int count(const QString& type) const;
    QString folder(const QString& type) const;

private:
    struct Triple {
        QString type;
        int count;
        QString folder;
    };
    Triple* find(const QString& type);
    const Triple* find(const QString& type) const;
    Triple* add(const QString& type); // the type's triple, made at -1 when new
    std::vector<Triple> triples_; // Fol_Cnt_Array
    QHash<QString, size_t> index_; // type -> its triple: setting up a pass stays linear in the table
    int limit_;
};

// Per-type counts of the files listed in a non-photo run, keyed by extension
// ("FileTypes_Hidden" / "NoOfFile" of the summary rows). Numbers the files.
class TypeSummary {
public:
    void reset(const QStringList& types);
    // The row's count, or -1 when there is no row for `type`.
    qint64 count(const QString& type) const;
    // Counts one listed file of `type` (a new row for a type not yet seen).
    void advance(const QString& type);

private:
    QHash<QString, qint64> rows_;
};

// The number a new file gets: in the non-photo modes the type's summary
// count plus 1 when the summary has a row for `prefix`, else `number`.
quint64 fileNumber(quint64 number, const QString& prefix, int mode, const TypeSummary* summary);

// prefix + number (five digits at least) + "." + extension.
QString fileName(const QString& prefix, quint64 number, const QString& extension);

// "GND"/"THD" + number (five digits at least) + "." + extension.
QString Generate_File_UID_Num(quint64 number, bool thorough, const QString& extension);

// Number padded with zeros to at least five digits.
QString fiveDigitNumber(quint64 number);

} // namespace ostrel
