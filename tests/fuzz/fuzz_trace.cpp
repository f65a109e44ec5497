// Feeds arbitrary replies through appendToTrace onto a trace of arbitrary length.
// Input: two bytes choose the trace length (0..20000), the rest is the reply (Latin-1).

#include "device/Trace.h"
#include "device/TraceBox.h"

#include "FuzzCheck.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

using namespace pelmix::device;

namespace {

constexpr qsizetype MaxTrace = 20000;

// A trace made of real replies, so that an erasing backspace may hit the line feed of a
// previous "\r\n" as it would on the device.
QString filler(qsizetype length)
{
    static const QString full = [] {
        QString text;
        while (text.size() < MaxTrace)
            text += QStringLiteral("F00000032\r\nFK0Bj:0\r\n");
        return text.left(MaxTrace);
    }();
    return full.left(length);
}

// The filter as the header describes it, step by step: backspaces first, then line feeds
// dropped, then a line feed after every carriage return. Reports whether a backspace
// found nothing before it in the reply.
std::u16string expectedFilter(const QString &reply, bool &leadingBackspace)
{
    std::u16string kept;
    leadingBackspace = false;
    for (const QChar c : reply) {
        if (c.unicode() != u'\b')
            kept.push_back(c.unicode());
        else if (!kept.empty())
            kept.pop_back();
        else
            leadingBackspace = true;
    }
    std::u16string out;
    for (const char16_t c : kept) {
        if (c == u'\n')
            continue;
        out.push_back(c);
        if (c == u'\r')
            out.push_back(u'\n');
    }
    return out;
}

// Holds appendToTrace to the TraceBox contract, which the window's trace box relies on as well:
// at most one trim of no more than there is, then one append replacing 0 or 1 existing
// characters.
class CheckedTrace final : public TraceBox
{
public:
    explicit CheckedTrace(QString text)
        : m_trace(std::move(text))
    {
    }

    const QString &text() const { return m_trace.text(); }
    qsizetype length() const override { return m_trace.length(); }
    void removeFront(qsizetype count) override
    {
        FUZZ_CHECK(!m_trimmed && !m_appended);
        FUZZ_CHECK(count >= 0 && count <= length());
        m_trimmed = true;
        m_trace.removeFront(count);
    }
    void replaceTail(qsizetype tail, const QString &text) override
    {
        FUZZ_CHECK(!m_appended);
        FUZZ_CHECK(tail == 0 || tail == 1);
        FUZZ_CHECK(tail <= length());
        m_appended = true;
        m_trace.replaceTail(tail, text);
    }
    bool appended() const { return m_appended; }

private:
    TextTrace m_trace;
    bool m_trimmed = false;
    bool m_appended = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const qsizetype initial = ((qsizetype(data[0]) << 8) | data[1]) % (MaxTrace + 1);
    const QString reply =
        QString::fromLatin1(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));

    const QString before = filler(initial);
    const QString trimmed = initial > TraceLimit ? before.mid(TraceTrim) : before;

    CheckedTrace trace(before);
    const pelmix::device::FilteredReply filtered = pelmix::device::filterReply(reply);
    const QString &text = filtered.text;
    appendToTrace(trace, filtered);
    FUZZ_CHECK(trace.appended());

    bool leadingBackspace = false;
    const std::u16string expected = expectedFilter(reply, leadingBackspace);
    FUZZ_CHECK(QStringView(text) == QStringView(expected.data(), qsizetype(expected.size())));

    // The trace: trimmed old text, at most its last character replaced, then text.
    const QString &after = trace.text();
    const qsizetype kept = after.size() - text.size();
    FUZZ_CHECK(kept == trimmed.size() || kept == trimmed.size() - 1);
    FUZZ_CHECK(kept >= 0);
    const qsizetype erased = trimmed.size() - kept;
    FUZZ_CHECK(erased == (leadingBackspace && !trimmed.isEmpty() ? 1 : 0));
    FUZZ_CHECK(after.endsWith(text));
    FUZZ_CHECK(QStringView(after).left(kept) == QStringView(trimmed).left(kept));
    return 0;
}
