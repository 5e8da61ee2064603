// What a file that did not read as XML is instead, told from its first
// bytes: the XML reader's own words for a compressed or UTF-16 file are an
// encoding error at line 1.
#include "svd.h"

#include <QByteArray>
#include <QRegularExpression>

namespace svd {

namespace {

// Where the first byte that UTF-8 does not allow stands; -1 when none does.
int invalid_utf8_at(const QByteArray &bytes)
{
    const int size = bytes.size();
    for (int i = 0; i < size;) {
        const uchar lead = uchar(bytes[i]);
        const int more = lead < 0x80                   ? 0
                         : lead >= 0xC2 && lead < 0xE0 ? 1
                         : lead >= 0xE0 && lead < 0xF0 ? 2
                         : lead >= 0xF0 && lead < 0xF5 ? 3
                                                       : -1;
        if (more < 0 || size - i <= more)
            return i;
        for (int k = 1; k <= more; ++k) {
            if ((uchar(bytes[i + k]) & 0xC0) != 0x80)
                return i;
        }
        i += more + 1;
    }
    return -1;
}

// The encoding an XML declaration at the start of `head` names; empty when
// there is none.
QString declared_encoding(const QString &head)
{
    static const QRegularExpression declaration(
        QStringLiteral("\\A\\s*<\\?xml[^>]*\\bencoding\\s*=\\s*[\"']([^\"']*)[\"']"),
        QRegularExpression::CaseInsensitiveOption);
    return declaration.match(head).captured(1);
}

} // namespace

QString not_xml_text(const QByteArray &content)
{
    const auto starts = [&content](const char *bytes, int size) {
        return content.startsWith(QByteArray::fromRawData(bytes, size));
    };
    if (content.isEmpty())
        return QStringLiteral("the file is empty");
    const bool utf8_mark = content.startsWith("\xef\xbb\xbf");
    if (content.mid(utf8_mark ? 3 : 0).trimmed().isEmpty())
        return QStringLiteral("the file holds nothing but white space");
    struct Magic
    {
        const char *bytes;
        int size;
        const char *what;
    };
    static const Magic magics[] = {
        {"\x1f\x8b", 2, "it is compressed with gzip: unpack it first (gunzip)"},
        {"\xfd"
         "7zXZ\0",
         6, "it is compressed with xz: unpack it first (unxz)"},
        {"BZh", 3, "it is compressed with bzip2: unpack it first (bunzip2)"},
        {"\x28\xb5\x2f\xfd", 4, "it is compressed with zstd: unpack it first (unzstd)"},
        {"PK\x03\x04", 4, "it is a zip archive: take the SVD file out of it first"},
        {"PK\x05\x06", 4, "it is an empty zip archive"},
        {"7z\xbc\xaf\x27\x1c", 6, "it is a 7-Zip archive: take the SVD file out of it first"},
    };
    for (const Magic &magic : magics) {
        if (starts(magic.bytes, magic.size))
            return QString::fromLatin1(magic.what);
    }
    // UTF-32's little-endian mark begins like UTF-16's.
    if (starts("\xff\xfe\0\0", 4) || starts("\0\0\xfe\xff", 4))
        return QStringLiteral("it is UTF-32 text: save it as UTF-8");
    const bool little = starts("\xff\xfe", 2) || starts("<\0", 2);
    if (little || starts("\xfe\xff", 2) || starts("\0<", 2)) {
        // Its declaration in ASCII, one byte of each pair; a file that
        // declares UTF-16 is read as such, and failed on something else.
        QString head;
        for (int i = little ? 0 : 1; i < qMin(content.size(), 400); i += 2)
            head += QLatin1Char(content[i]);
        if (declared_encoding(head.mid(head.indexOf(QLatin1Char('<'))))
                .startsWith(QLatin1String("utf-16"), Qt::CaseInsensitive))
            return QString();
        return QStringLiteral("it is UTF-16 text, but its XML declaration does not say so: "
                              "save it as UTF-8");
    }
    const QByteArray start = content.left(4096);
    if (start.contains('\0'))
        return QStringLiteral("it is binary data, not text");
    int first = utf8_mark ? 3 : 0;
    while (first < content.size() && QChar::isSpace(uchar(content[first])))
        ++first;
    const int invalid = invalid_utf8_at(content);
    if (first >= content.size() || content[first] != '<')
        return invalid >= 0 && invalid < 4096
                   ? QStringLiteral("it is binary data, not text")
                   : QStringLiteral("it is plain text, not XML: an SVD file begins with <?xml or "
                                    "<device>");
    const QString encoding = declared_encoding(QString::fromLatin1(content.mid(first, 400)));
    if (invalid < 0 ||
        !(encoding.isEmpty() || encoding.compare(QLatin1String("utf-8"), Qt::CaseInsensitive) == 0))
        return QString();
    return QStringLiteral("line %1 is not UTF-8 (byte 0x%2), %3: save it as UTF-8, or name its "
                          "encoding in <?xml ... encoding=\"...\"?>")
        .arg(QString::number(content.left(invalid).count('\n') + 1),
             QString::number(uchar(content[invalid]), 16).toUpper(),
             encoding.isEmpty() ? QStringLiteral("and the file names no other encoding")
                                : QStringLiteral("though the file says it is UTF-8"));
}

bool starts_as_xml(const QByteArray &head)
{
    int at = head.startsWith("\xef\xbb\xbf") ? 3 : 0;
    // UTF-16, with or without its mark: every other byte is 0 in ASCII.
    const bool wide = head.startsWith("\xff\xfe") || head.startsWith("\xfe\xff") ||
                      head.startsWith(QByteArray("<\0", 2)) ||
                      head.startsWith(QByteArray("\0<", 2));
    if (head.startsWith("\xff\xfe") || head.startsWith("\xfe\xff"))
        at = 2;
    for (; at < head.size(); ++at) {
        const char c = head[at];
        if (c == '<')
            return true;
        if (!(c == ' ' || c == '\t' || c == '\r' || c == '\n' || (wide && c == '\0')))
            return false;
    }
    return false;
}

} // namespace svd
