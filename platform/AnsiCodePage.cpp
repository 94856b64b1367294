#include "platform/AnsiCodePage.h"

#include <QtGlobal>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

constexpr const char* kAnsiCodePage = "CP936";

// An iconv descriptor keeps conversion state, so each conversion opens its own and
// threads never share one.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from))
    {
        if (!Valid())
            qWarning("iconv cannot convert from %s to %s", from, to);
    }
    ~Converter()
    {
        if (Valid())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts all of in; on a sequence the target cannot take (or the source does not
    // hold), appends what substitute() gives and skips skipLength(next bytes).
    template <typename Substitute, typename SkipLength>
    QByteArray Run(QByteArrayView in, qsizetype initialSize, Substitute substitute, SkipLength skipLength)
    {
        QByteArray out(qMax<qsizetype>(initialSize, 16), Qt::Uninitialized);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = static_cast<size_t>(in.size());
        qsizetype used = 0;
        while (srcLeft > 0) {
            char* dst = out.data() + used;
            size_t dstLeft = static_cast<size_t>(out.size() - used);
            const size_t rc = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            used = dst - out.data();
            if (rc != static_cast<size_t>(-1))
                break;
            if (errno == E2BIG || out.size() - used < 8) {
                out.resize(out.size() * 2);
                continue;
            }
            // EILSEQ or EINVAL (a sequence cut off at the end): substitute and go on.
            const QByteArray sub = substitute();
            memcpy(out.data() + used, sub.constData(), static_cast<size_t>(sub.size()));
            used += sub.size();
            const size_t skip = qMin(srcLeft, skipLength(static_cast<unsigned char>(*src)));
            src += skip;
            srcLeft -= skip;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
        out.truncate(used);
        return out;
    }

private:
    iconv_t m_cd;
};

size_t Utf8SequenceLength(unsigned char lead)
{
    if (lead < 0xC0)
        return 1;
    if (lead < 0xE0)
        return 2;
    if (lead < 0xF0)
        return 3;
    return 4;
}

} // namespace

QString AnsiToWide(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    Converter cv("UTF-8", kAnsiCodePage);
    if (!cv.Valid()) {
        // Without the converter keep at least the ASCII part readable.
        QString text;
        for (char c : bytes)
            text += static_cast<unsigned char>(c) < 0x80 ? QChar(c) : QChar(QChar::ReplacementCharacter);
        return text;
    }
    // One code page byte never takes more than three UTF-8 bytes (U+FFFD included).
    const QByteArray utf8 = cv.Run(bytes, bytes.size() * 3,
        [] { return QByteArray("\xEF\xBF\xBD"); }, [](unsigned char) { return size_t(1); });
    return QString::fromUtf8(utf8);
}

QByteArray WideToAnsi(QStringView text)
{
    if (text.isEmpty())
        return {};
    // Lone surrogates become U+FFFD here and so '?' below.
    const QByteArray utf8 = text.toUtf8();
    Converter cv(kAnsiCodePage, "UTF-8");
    if (!cv.Valid()) {
        QByteArray ascii;
        for (QChar c : text)
            ascii += c.unicode() < 0x80 ? char(c.unicode()) : '?';
        return ascii;
    }
    return cv.Run(utf8, utf8.size(), [] { return QByteArray("?"); }, Utf8SequenceLength);
}
