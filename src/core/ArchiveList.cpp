#include "core/ArchiveList.h"

#include <QString>
#include <QVariant>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace QuorvelClient {
namespace Core {

namespace {

// As deep as Qt's own JSON reader lets documents nest.
constexpr int kMaxDepth = 1024;

// The keys of an element that records are made of, in the order of `Reader::Fields`.
constexpr std::array<QLatin1StringView, 5> kKeys{QLatin1StringView("startTime"), QLatin1StringView("duration"),
                                                 QLatin1StringView("startId"), QLatin1StringView("endId"),
                                                 QLatin1StringView("type")};

// One value of an element's field: numbers that fit 64 bits are kept as they are, anything else as the QVariant
// that a JSON document would have made of it.
struct Value
{
    bool isInteger = false;
    qint64 integer = 0;
    QVariant other;

    qint64 toLongLong() const { return isInteger ? integer : other.toLongLong(); }
    int toInt(bool* ok) const
    {
        if (isInteger) {
            *ok = true;
            return int(integer);
        }
        return other.toInt(ok);
    }
};

// A reader of JSON text that takes what Qt's reader takes (RFC 8259, a byte order mark, any escaped byte, control
// characters in strings) and keeps nothing but the fields of the list's elements.
class Reader
{
public:
    Reader(const char* begin, const char* end) : p(begin), e(end) {}

    bool document(ArchiveList& list);

private:
    enum Field { StartTime, Duration, StartId, EndId, Type, Fields };

    bool element(ArchiveList::Element* element);
    bool memberKey(QByteArrayView* raw, bool* escaped);
    bool skipValue(int depth);
    bool scalar(Value* value);
    bool number(Value* value);
    bool string(QByteArrayView* raw, bool* escaped);
    bool skipEscape();
    int field(QByteArrayView raw, bool escaped);
    static QString decode(QByteArrayView raw);
    bool utf8();
    bool literal(QLatin1StringView word);
    void skipSpace()
    {
        while (p < e && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r'))
            ++p;
    }
    bool eat(char c)
    {
        if (p < e && *p == c) {
            ++p;
            return true;
        }
        return false;
    }

    const char* p;
    const char* e;
};

bool Reader::document(ArchiveList& list)
{
    if (e - p >= 3 && QByteArrayView(p, 3) == QByteArrayView("\xEF\xBB\xBF"))
        p += 3;
    skipSpace();
    if (p == e)
        return false;
    if (*p == '{') {
        if (!skipValue(0))
            return false;
    } else if (eat('[')) {
        skipSpace();
        if (!eat(']')) {
            do {
                ArchiveList::Element item;
                if (!element(&item))
                    return false;
                list.append(item);
                skipSpace();
            } while (eat(','));
            if (!eat(']'))
                return false;
        }
    } else {
        return false;
    }
    skipSpace();
    return p == e;
}

// One element of the list; an element that is not an object reads as zeros.
bool Reader::element(ArchiveList::Element* element)
{
    skipSpace();
    if (!eat('{'))
        return skipValue(1);
    std::array<Value, Fields> values;
    skipSpace();
    if (!eat('}')) {
        do {
            QByteArrayView key;
            bool escaped = false;
            if (!memberKey(&key, &escaped))
                return false;
            const int field = this->field(key, escaped);
            // Of a key given twice the last value counts.
            if (field < 0 ? !skipValue(2) : !scalar(&values[field]))
                return false;
            skipSpace();
        } while (eat(','));
        if (!eat('}'))
            return false;
    }
    element->startTime = values[StartTime].toLongLong();
    element->duration = values[Duration].toLongLong();
    bool ok = false;
    element->startId = values[StartId].toInt(&ok);
    element->endId = values[EndId].toInt(&ok);
    element->type = values[Type].toInt(&element->typeRead);
    return true;
}

// An object member's key and the colon after it, with the space around them.
bool Reader::memberKey(QByteArrayView* raw, bool* escaped)
{
    skipSpace();
    if (!string(raw, escaped))
        return false;
    skipSpace();
    if (!eat(':'))
        return false;
    skipSpace();
    return true;
}

// A field's value; an object or a list in its place is read through and counts as no number.
bool Reader::scalar(Value* value)
{
    *value = Value();
    if (p == e)
        return false;
    switch (*p) {
    case '{':
    case '[':
        return skipValue(2);
    case '"': {
        QByteArrayView raw;
        bool escaped = false;
        if (!string(&raw, &escaped))
            return false;
        value->other = escaped ? decode(raw) : QString::fromUtf8(raw);
        return true;
    }
    case 't':
        value->other = true;
        return literal(QLatin1StringView("true"));
    case 'f':
        value->other = false;
        return literal(QLatin1StringView("false"));
    case 'n':
        value->other = QVariant::fromValue(nullptr);
        return literal(QLatin1StringView("null"));
    default:
        return number(value);
    }
}

// Any value, nested at most kMaxDepth deep with the levels already entered.
bool Reader::skipValue(int depth)
{
    if (p == e)
        return false;
    const char open = *p;
    if (open != '{' && open != '[') {
        Value ignored;
        return scalar(&ignored);
    }
    if (depth >= kMaxDepth)
        return false;
    ++p;
    const char close = open == '{' ? '}' : ']';
    skipSpace();
    if (eat(close))
        return true;
    do {
        skipSpace();
        QByteArrayView key;
        bool escaped = false;
        if (open == '{' && !memberKey(&key, &escaped))
            return false;
        if (!skipValue(depth + 1))
            return false;
        skipSpace();
    } while (eat(','));
    return eat(close);
}

// A number as Qt's reader takes it: a whole number that fits 64 bits as such, any other as a double.
bool Reader::number(Value* value)
{
    const char* start = p;
    eat('-');
    const char* digits = p;
    while (p < e && *p >= '0' && *p <= '9')
        ++p;
    if (p - digits > 1 && *digits == '0')
        return false;
    bool whole = true;
    bool anyDigit = p > digits;
    if (eat('.')) {
        whole = false;
        const char* fraction = p;
        while (p < e && *p >= '0' && *p <= '9')
            ++p;
        anyDigit = anyDigit || p > fraction;
    }
    if (!anyDigit)
        return false;
    if (p < e && (*p == 'e' || *p == 'E')) {
        whole = false;
        ++p;
        if (!eat('+'))
            eat('-');
        const char* exponent = p;
        while (p < e && *p >= '0' && *p <= '9')
            ++p;
        if (p == exponent)
            return false;
    }
    const QByteArrayView text(start, p - start);
    if (whole) {
        bool ok = false;
        const qint64 integer = text.toLongLong(&ok);
        if (ok) {
            value->isInteger = true;
            value->integer = integer;
            return true;
        }
    }
    bool ok = false;
    const double real = text.toDouble(&ok);
    if (!ok || !std::isfinite(real))
        return false;
    value->other = real;
    return true;
}

// A string, checked to be UTF-8; `raw` receives its text as it stands between the quotes.
bool Reader::string(QByteArrayView* raw, bool* escaped)
{
    if (!eat('"'))
        return false;
    const char* start = p;
    *escaped = false;
    while (p < e && *p != '"') {
        if (*p == '\\') {
            *escaped = true;
            if (!skipEscape())
                return false;
        } else if (!utf8()) {
            return false;
        }
    }
    if (p == e)
        return false;
    *raw = QByteArrayView(start, p - start);
    ++p;
    return true;
}

// A key's field, or -1 for a key no field has.
int Reader::field(QByteArrayView raw, bool escaped)
{
    // An escaped key can spell a field in up to six characters per letter.
    if (escaped && raw.size() > 64)
        return -1;
    const QString key = escaped ? decode(raw) : QString();
    for (int i = 0; i < Fields; ++i) {
        if (escaped ? key == kKeys[i] : raw == QByteArrayView(kKeys[i].data(), kKeys[i].size()))
            return i;
    }
    return -1;
}

bool Reader::skipEscape()
{
    ++p;
    if (p == e)
        return false;
    if (*p++ != 'u')
        return true;
    if (e - p < 4 || !std::all_of(p, p + 4, [](char h) { return std::isxdigit(static_cast<unsigned char>(h)); }))
        return false;
    p += 4;
    return true;
}

// The text of a string already read, its escapes resolved.
QString Reader::decode(QByteArrayView raw)
{
    QString text;
    text.reserve(raw.size());
    const char* at = raw.data();
    const char* end = at + raw.size();
    while (at < end) {
        const char* backslash = std::find(at, end, '\\');
        text += QString::fromUtf8(at, backslash - at);
        if (backslash == end)
            break;
        const char c = backslash[1];
        at = backslash + 2;
        switch (c) {
        case 'b':
            text += QChar(0x08);
            break;
        case 'f':
            text += QChar(0x0C);
            break;
        case 'n':
            text += QChar(0x0A);
            break;
        case 'r':
            text += QChar(0x0D);
            break;
        case 't':
            text += QChar(0x09);
            break;
        case 'u':
            text += QChar(QByteArrayView(at, 4).toUShort(nullptr, 16));
            at += 4;
            break;
        default:
            // Qt's reader takes any other escaped byte as the Latin-1 letter of that value.
            text += QLatin1Char(c);
            break;
        }
    }
    return text;
}

// One character of UTF-8 text (RFC 3629: no overlong forms, no surrogates, nothing above U+10FFFF).
bool Reader::utf8()
{
    const auto byte = [this](qsizetype i) { return static_cast<unsigned char>(p[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        ++p;
        return true;
    }
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return false;
    }
    if (e - p < length || byte(1) < low || byte(1) > high)
        return false;
    for (int i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return false;
    }
    p += length;
    return true;
}

bool Reader::literal(QLatin1StringView word)
{
    if (e - p < word.size() || QByteArrayView(p, word.size()) != QByteArrayView(word.data(), word.size()))
        return false;
    p += word.size();
    return true;
}

} // namespace

bool ArchiveList::read(QByteArrayView json)
{
    m_runs.clear();
    m_size = 0;
    Reader reader(json.data(), json.data() + json.size());
    if (reader.document(*this))
        return true;
    m_runs.clear();
    m_size = 0;
    return false;
}

void ArchiveList::append(const Element& element)
{
    if (!m_runs.isEmpty() && m_runs.last().element == element)
        ++m_runs.last().count;
    else
        m_runs.append({element, 1});
    ++m_size;
}

} // namespace Core
} // namespace QuorvelClient
