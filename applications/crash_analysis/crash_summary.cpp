#include "crash_analysis/crash_summary.h"

#include "crash_analysis/symbols/symbol_lookup.h"

namespace CrashAnalysis {

namespace {

CrashFrame frameAt(const DumpFacts& facts, const WalkedFrame& walked, bool isCaller,
                   SymbolLookup* symbols)
{
    CrashFrame frame;
    frame.trust = walked.trust;
    frame.offset = walked.instruction;
    const DumpModule* module = facts.moduleAt(walked.instruction);
    if (!module) {
        frame.place = hexAddress(walked.instruction);
        return frame;
    }
    frame.module = module->name();
    frame.offset = walked.instruction - module->base;
    // A caller's return address lies after its call: the call is what is looked up.
    const quint64 lookup = frame.offset - (isCaller && frame.offset > 0 ? 1 : 0);
    const auto name = symbols ? symbols->name(*module, lookup) : std::nullopt;
    if (!name) {
        frame.place = QStringLiteral("%1 + %2").arg(*frame.module, hexAddress(frame.offset));
        return frame;
    }
    frame.function = name->function;
    const QString qualified = *frame.module + QLatin1Char('!') + name->function;
    if (name->sourceLine && !name->sourceFile.isEmpty()) {
        frame.sourceFile = name->sourceFile;
        frame.sourceLine = name->sourceLine;
        frame.place =
            QStringLiteral("%1 [%2 : %3 + %4]")
                .arg(qualified, name->sourceFile)
                .arg(*name->sourceLine)
                .arg(hexAddress(frame.offset - std::min(frame.offset, name->lineAddress)));
    } else {
        frame.place = QStringLiteral("%1 + %2").arg(
            qualified, hexAddress(frame.offset - std::min(frame.offset, name->functionAddress)));
    }
    return frame;
}

// Where the crash happened: outside every module, the address itself ("0x0" for a call
// through a null pointer); the frames found on the stack are the callers', not the crash's.
QString signaturePlace(const QList<CrashFrame>& frames)
{
    if (frames.isEmpty())
        return QStringLiteral("unknown place");
    const CrashFrame& crashed = frames.constFirst();
    if (!crashed.module)
        return hexAddress(crashed.offset);
    return crashed.function ? *crashed.module + QLatin1Char('!') + *crashed.function
                            : *crashed.module + QLatin1Char('+') + hexAddress(crashed.offset);
}

} // namespace

QString hexAddress(quint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16);
}

CrashSummary summariseCrash(const DumpFacts& facts, SymbolLookup* symbols)
{
    CrashSummary summary;
    const QList<WalkedFrame> walked = walkStack(facts.thread, facts.modules, symbols);
    for (qsizetype index = 0; index < walked.size(); ++index)
        summary.frames.append(frameAt(facts, walked.at(index), index > 0, symbols));
    if (!summary.frames.isEmpty()) {
        const CrashFrame& crashed = summary.frames.constFirst();
        summary.place = crashed.place;
        summary.module = crashed.module;
        summary.function = crashed.function;
        summary.sourceFile = crashed.sourceFile;
        summary.sourceLine = crashed.sourceLine;
        if (crashed.module) {
            summary.offset = crashed.offset;
            summary.moduleVersion = facts.moduleAt(walked.constFirst().instruction)->version;
        }
    }
    const QString place = signaturePlace(summary.frames);
    summary.signature = facts.reason.isEmpty() ? place : place + QLatin1Char(' ') + facts.reason;
    return summary;
}

} // namespace CrashAnalysis
