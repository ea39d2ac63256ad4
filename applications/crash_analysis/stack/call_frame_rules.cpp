#include "call_frame_rules.h"

#include <QHash>
#include <QStringList>

namespace CrashAnalysis {

namespace {

constexpr qsizetype MaximumDepth = 64;

using Rules = QHash<QString, QStringList>; // register: its expression's tokens

// The rules that hold at the offset: later lines change earlier ones.
std::optional<Rules> rulesAt(const QString& text, quint64 offset)
{
    Rules rules;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList tokens = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        bool ok = false;
        const quint64 address = tokens.value(0).toULongLong(&ok, 16);
        if (!ok)
            return std::nullopt;
        if (address > offset)
            break;
        QString target;
        for (const QString& token : tokens.mid(1)) {
            if (token.endsWith(QLatin1Char(':'))) {
                target = token.chopped(1);
                rules[target].clear();
            } else if (target.isEmpty()) {
                return std::nullopt;
            } else {
                rules[target].append(token);
            }
        }
    }
    return rules;
}

std::optional<quint64> evaluate(const QStringList& expression, const Registers& values,
                                const StackMemory& stack, quint32 wordBytes)
{
    QList<quint64> operands;
    for (const QString& token : expression) {
        if (operands.size() > MaximumDepth)
            return std::nullopt;
        if (token == QLatin1String("^")) {
            if (operands.isEmpty())
                return std::nullopt;
            const auto word = stack.word(operands.takeLast(), wordBytes);
            if (!word)
                return std::nullopt;
            operands.append(*word);
            continue;
        }
        static const QString Binary = QStringLiteral("+-*/%@");
        if (token.size() == 1 && Binary.contains(token)) {
            if (operands.size() < 2)
                return std::nullopt;
            const quint64 right = operands.takeLast();
            const quint64 left = operands.takeLast();
            quint64 result = 0;
            switch (token.at(0).toLatin1()) {
            case '+':
                result = left + right;
                break;
            case '-':
                result = left - right;
                break;
            case '*':
                result = left * right;
                break;
            case '/':
                if (right == 0)
                    return std::nullopt;
                result = left / right;
                break;
            case '%':
                if (right == 0)
                    return std::nullopt;
                result = left % right;
                break;
            default:
                if (right == 0)
                    return std::nullopt;
                result = left & ~(right - 1);
                break;
            }
            operands.append(result);
            continue;
        }
        bool ok = false;
        const qint64 number = token.startsWith(QLatin1String("0x"))
                                  ? token.mid(2).toLongLong(&ok, 16)
                                  : token.toLongLong(&ok, 10);
        if (ok) {
            operands.append(quint64(number));
            continue;
        }
        const auto value = registerValue(values, token);
        if (!value)
            return std::nullopt;
        operands.append(*value);
    }
    if (operands.size() != 1)
        return std::nullopt;
    return operands.constFirst();
}

// Registers a function gives back as it found them, unless its rules say where they were kept.
bool isCalleeSaved(Cpu cpu, const QString& name)
{
    static const QStringList X86 = {QStringLiteral("$ebx"), QStringLiteral("$esi"),
                                    QStringLiteral("$edi"), QStringLiteral("$ebp")};
    static const QStringList Amd64 = {QStringLiteral("$rbx"), QStringLiteral("$rbp"),
                                      QStringLiteral("$r12"), QStringLiteral("$r13"),
                                      QStringLiteral("$r14"), QStringLiteral("$r15")};
    switch (cpu) {
    case Cpu::X86:
        return X86.contains(name);
    case Cpu::Amd64:
        return Amd64.contains(name);
    case Cpu::Arm64: {
        bool ok = false;
        const int number = name.startsWith(QLatin1Char('x')) ? name.mid(1).toInt(&ok) : -1;
        return ok && number >= 19 && number <= 29;
    }
    case Cpu::Unknown:
        break;
    }
    return false;
}

} // namespace

std::optional<Registers> callerByRules(const QString& text, quint64 offset, Cpu cpu,
                                       const Registers& callee, const StackMemory& stack)
{
    const std::optional<Rules> rules = rulesAt(text, offset);
    const QString cfaName = QStringLiteral(".cfa");
    const QString returnName = QStringLiteral(".ra");
    if (!rules || !rules->contains(cfaName) || !rules->contains(returnName))
        return std::nullopt;
    const quint32 bytes = wordSize(cpu);
    Registers values = callee;
    const auto cfa = evaluate(rules->value(cfaName), values, stack, bytes);
    if (!cfa)
        return std::nullopt;
    setRegister(values, cfaName, *cfa);
    const auto returnAddress = evaluate(rules->value(returnName), values, stack, bytes);
    if (!returnAddress)
        return std::nullopt;
    const RegisterNames names = registerNames(cpu);
    Registers caller;
    for (const Register& kept : callee)
        if (isCalleeSaved(cpu, kept.name))
            caller.append(kept);
    for (auto rule = rules->cbegin(); rule != rules->cend(); ++rule) {
        if (rule.key().startsWith(QLatin1Char('.')))
            continue;
        // A register whose rule cannot be worked out is not known in the caller.
        if (const auto value = evaluate(rule.value(), values, stack, bytes))
            setRegister(caller, rule.key(), *value);
    }
    setRegister(caller, names.stack, *cfa);
    setRegister(caller, names.instruction, *returnAddress);
    return caller;
}

} // namespace CrashAnalysis
