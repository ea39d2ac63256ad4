#pragma once

#include <QString>

class QIODevice;

namespace CrashAnalysis {

// The MODULE line: whose symbols these are.
struct SymbolModule {
    QString os;
    QString cpu;
    QString debugId;   // upper case
    QString debugFile; // the name a dump's CodeView record gives
};

// What a symbol file holds, record by record, in the order of the file. Addresses are offsets
// into the module. A handler's false stops the reading.
class SymbolFileHandler
{
public:
    virtual ~SymbolFileHandler() = default;
    virtual bool module(const SymbolModule& module) = 0;
    virtual bool sourceFile(qint64 number, const QString& name) = 0;
    virtual bool function(quint64 address, quint64 size, const QString& name) = 0;
    // A line of the function last given.
    virtual bool line(quint64 address, quint64 size, qint64 line, qint64 fileNumber) = 0;
    virtual bool publicSymbol(quint64 address, const QString& name) = 0;
    // An INIT record's rules for its range, followed by the later records' rule changes, each
    // "ADDRESS RULES", as one text.
    virtual bool callFrameRules(quint64 address, quint64 size, const QString& rules) = 0;
};

// Reads a symbol file in the plain-text form that crash tools share (MODULE, FILE, FUNC and its
// line records, PUBLIC, STACK CFI; INFO, INLINE and STACK WIN records are passed over). Empty
// when it was read to its end, else why not as a sentence about "it", with the line number.
QString readSymbolFile(QIODevice& device, SymbolFileHandler& handler);

} // namespace CrashAnalysis
