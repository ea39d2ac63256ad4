#pragma once

#include <QString>

class QFile;
#include <QTextStream>

// Writes a package's entries into a folder, as "extract" does, safely whatever the package
// holds: only regular files (and folders) are written, under names that stay inside the
// folder; links, devices, FIFOs, absolute names, names with "..", names too long and entries
// that would not fit on the disk are skipped with a line that says why. Nothing is written
// through a link, and nothing already there is replaced. One line per entry: "extracted NAME"
// or "skipped NAME: REASON".
struct ExtractionResult {
    int written = 0;
    int skipped = 0;
    QString problem; // the package itself could not be read on; empty when it was read to its end
};

// The package is read from its start. With `only`, the entry of that name alone is written
// and the others passed over without a word.
ExtractionResult extractPackage(QFile& package, const QString& folder, QTextStream& out,
                                const QString& only = {});
