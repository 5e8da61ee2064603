#include "svd_tree.h"

#include "regmath.h"

#include <QHash>

#include <algorithm>
#include <vector>

// The format's values as the first pass reads them: numbers, bit ranges and
// tokens; and the notes that warnings start with.

namespace svd {
namespace tree {

namespace {

// `prefix` is lower-case ASCII (0x, 0b), and no other character folds to
// one of its letters, so comparing ASCII alone matches what a case-folding
// comparison would, without a call into Qt for each of thousands of numbers.
bool starts_with(QStringView text, const char *prefix)
{
    for (int i = 0; prefix[i]; ++i) {
        if (i >= text.size())
            return false;
        ushort c = text[i].unicode();
        if (c >= 'A' && c <= 'Z')
            c += 'a' - 'A';
        if (c != ushort(prefix[i]))
            return false;
    }
    return true;
}

// Digits of `base` into `out`; false on a stray character or past 64 bits.
// With `care`, x digits are don't-care bits (binary only) and are 0 in it.
// Digits not written are 0 like any number's, so they must match: #1 in a
// 32-bit field is 1, not every odd value.
bool accumulate(QStringView digits, int base, quint64 &out, quint64 *care = nullptr)
{
    if (digits.isEmpty())
        return false;
    const int bits_per_digit = base == 16 ? 4 : base == 2 ? 1 : 0;
    quint64 value = 0;
    quint64 dont_care = 0;
    for (QChar c : digits) {
        int d = regmath::digit_value(c);
        const bool x = care && base == 2 && (c == QLatin1Char('x') || c == QLatin1Char('X'));
        if (x)
            d = 0;
        else if (d >= base)
            return false;
        if (bits_per_digit) {
            if (value >> (64 - bits_per_digit) || dont_care >> (64 - bits_per_digit))
                return false;
            value = (value << bits_per_digit) | quint64(d);
            dont_care = (dont_care << bits_per_digit) | (x ? 1 : 0);
        } else {
            if (value > (~quint64(0) - quint64(d)) / 10)
                return false;
            value = value * 10 + quint64(d);
        }
    }
    out = value;
    if (care)
        *care = ~dont_care;
    return true;
}

} // namespace

bool parse_number(QStringView text, quint64 &out)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1Char('+')))
        text = text.mid(1);
    int base = 10;
    if (starts_with(text, "0x")) {
        base = 16;
        text = text.mid(2);
    } else if (text.startsWith(QLatin1Char('#'))) {
        base = 2;
        text = text.mid(1);
    } else if (starts_with(text, "0b")) {
        base = 2;
        text = text.mid(2);
    }
    int shift = 0;
    if (!text.isEmpty()) {
        const QChar last = text.back();
        // Most numbers end in a digit; the case mapping is for the rest.
        switch (last.unicode() <= '9' ? last.unicode() : last.toLower().unicode()) {
        case 'k':
            shift = 10;
            break;
        case 'm':
            shift = 20;
            break;
        case 'g':
            shift = 30;
            break;
        case 't':
            shift = 40;
            break;
        }
        if (shift)
            text.chop(1);
    }
    quint64 value = 0;
    if (!accumulate(text, base, value) || (shift && value >> (64 - shift)))
        return false;
    out = value << shift;
    return true;
}

// An enumerated value: as a number, or in binary (# or 0b) with x digits
// that match either bit.
bool parse_enum_number(QStringView text, quint64 &value, quint64 &care)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1Char('+')))
        text = text.mid(1);
    if (text.startsWith(QLatin1Char('#')))
        return accumulate(text.mid(1), 2, value, &care);
    if (starts_with(text, "0b"))
        return accumulate(text.mid(2), 2, value, &care);
    care = ~quint64(0);
    return parse_number(text, value);
}

// [msb:lsb]
bool parse_bit_range(QStringView text, quint64 &msb, quint64 &lsb)
{
    text = text.trimmed();
    if (!text.startsWith(QLatin1Char('[')) || !text.endsWith(QLatin1Char(']')))
        return false;
    text = text.mid(1, text.size() - 2);
    const int colon = int(text.indexOf(QLatin1Char(':')));
    return colon > 0 && parse_number(text.left(colon), msb) &&
           parse_number(text.mid(colon + 1), lsb);
}

namespace {

// Tokens compared without case, hyphens or underscores, so that the
// spellings vendors use outside the schema read as the schema's own.
QString folded(QStringView text)
{
    QString out;
    for (QChar c : text.trimmed()) {
        if (c != QLatin1Char('-') && c != QLatin1Char('_') && !c.isSpace())
            out += c.toLower();
    }
    return out;
}

template <class T> bool from_tokens(const QHash<QString, T> &tokens, QStringView text, T &out)
{
    const auto it = tokens.constFind(folded(text));
    if (it == tokens.constEnd())
        return false;
    out = *it;
    return true;
}

} // namespace

bool parse_access(QStringView text, Access &out)
{
    // The schema's own spellings, as nearly every field states them, without
    // folding a copy of each.
    static const std::pair<const char *, Access> exact[] = {
        {"read-write", Access::ReadWrite},
        {"read-only", Access::ReadOnly},
        {"write-only", Access::WriteOnly},
    };
    for (const auto &[token, access] : exact) {
        if (text == QLatin1String(token)) {
            out = access;
            return true;
        }
    }
    static const QHash<QString, Access> tokens = {
        {QStringLiteral("readonly"), Access::ReadOnly},
        {QStringLiteral("read"), Access::ReadOnly},
        {QStringLiteral("writeonly"), Access::WriteOnly},
        {QStringLiteral("write"), Access::WriteOnly},
        {QStringLiteral("readwrite"), Access::ReadWrite},
        {QStringLiteral("writeonce"), Access::WriteOnce},
        {QStringLiteral("readwriteonce"), Access::ReadWriteOnce},
    };
    return from_tokens(tokens, text, out);
}

bool parse_write_effect(QStringView text, WriteEffect &out)
{
    static const QHash<QString, WriteEffect> tokens = {
        {QStringLiteral("onetoclear"), WriteEffect::OneToClear},
        {QStringLiteral("onetoset"), WriteEffect::OneToSet},
        {QStringLiteral("onetotoggle"), WriteEffect::OneToToggle},
        {QStringLiteral("zerotoclear"), WriteEffect::ZeroToClear},
        {QStringLiteral("zerotoset"), WriteEffect::ZeroToSet},
        {QStringLiteral("zerototoggle"), WriteEffect::ZeroToToggle},
        {QStringLiteral("clear"), WriteEffect::Clear},
        {QStringLiteral("set"), WriteEffect::Set},
        {QStringLiteral("modify"), WriteEffect::Modify},
    };
    return from_tokens(tokens, text, out);
}

bool parse_read_effect(QStringView text, ReadEffect &out)
{
    static const QHash<QString, ReadEffect> tokens = {
        {QStringLiteral("clear"), ReadEffect::Clear},
        {QStringLiteral("set"), ReadEffect::Set},
        {QStringLiteral("modify"), ReadEffect::Modify},
        {QStringLiteral("modifyexternal"), ReadEffect::ModifyExternal},
    };
    return from_tokens(tokens, text, out);
}

bool parse_usage(QStringView text, Usage &out)
{
    static const QHash<QString, Usage> tokens = {
        {QStringLiteral("read"), Usage::Read},
        {QStringLiteral("write"), Usage::Write},
        {QStringLiteral("readwrite"), Usage::ReadWrite},
    };
    return from_tokens(tokens, text, out);
}

bool parse_bool(QStringView text, bool &out)
{
    static const QHash<QString, bool> tokens = {
        {QStringLiteral("true"), true},
        {QStringLiteral("1"), true},
        {QStringLiteral("false"), false},
        {QStringLiteral("0"), false},
    };
    return from_tokens(tokens, text, out);
}

QString tag_name(Kind kind)
{
    static const char *const names[] = {"peripheral", "cluster", "register", "field",
                                        "enumeratedValues"};
    return QString::fromLatin1(names[int(kind)]);
}

QString line_note(int line) { return QStringLiteral("line %1: ").arg(line); }

} // namespace tree

namespace {

// The number of line_note()'s "line 12: ", 0 without one.
int line_of(const QString &warning)
{
    if (!warning.startsWith(QLatin1String("line ")))
        return 0;
    int line = 0;
    for (int i = 5; i < warning.size() && warning[i].isDigit(); ++i)
        line = line * 10 + warning[i].digitValue();
    return line;
}

} // namespace

void sort_by_line(QStringList &warnings)
{
    // Each register's list is sorted as it is made, often already in order,
    // and a hostile array of fields gives one a million entries: read each
    // line number once, and move nothing when the order is right.
    std::vector<std::pair<int, int>> keys; // line, position
    keys.reserve(size_t(warnings.size()));
    bool sorted = true;
    for (int i = 0; i < warnings.size(); ++i) {
        keys.emplace_back(line_of(warnings[i]), i);
        sorted = sorted && (i == 0 || keys[size_t(i) - 1].first <= keys.back().first);
    }
    if (sorted)
        return;
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList ordered;
    ordered.reserve(warnings.size());
    for (const auto &key : keys)
        ordered.append(warnings[key.second]);
    warnings.swap(ordered);
}

} // namespace svd
