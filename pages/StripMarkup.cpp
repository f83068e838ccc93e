#include "StripMarkup.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// How much input is scanned between two looks at the cancel flag.
constexpr qsizetype checkEvery = 32 * 1024;

// The scan is a two-state machine (outside a tag, inside one). Outside,
// characters are copied until a '<'; inside, they are skipped until a '>'.
// A '<' without a later '>' ends the scan with that '<' and the rest kept,
// which is where the one-tag-per-pass rule stops too.
class Stripper
{
public:
    Stripper(QStringView text, char16_t* out) : m_in(text.utf16()), m_size(text.size()), m_out(out) {}

    // Scans up to input position `limit`.
    void run(qsizetype limit)
    {
#if defined(__SSE2__)
        runVector(limit);
#endif
        runScalar(limit);
    }

    qsizetype position() const
    {
        return m_pos;
    }

    // Output length once the whole input is scanned.
    qsizetype finish()
    {
        if (m_inTag) {
            // Unclosed tag: it and everything after it stay.
            const qsizetype rest = m_size - m_tagStart;
            std::memcpy(m_out + m_written, m_in + m_tagStart, static_cast<size_t>(rest) * sizeof(char16_t));
            m_written += rest;
        }
        return m_written;
    }

private:
    void runScalar(qsizetype limit)
    {
        while (m_pos < limit) {
            const char16_t c = m_in[m_pos];
            if (m_inTag) {
                if (c == u'>')
                    m_inTag = false;
            } else if (c == u'<') {
                m_inTag = true;
                m_tagStart = m_pos;
            } else {
                m_out[m_written++] = c;
            }
            ++m_pos;
        }
    }

#if defined(__SSE2__)
    // Sixteen characters per step. Text runs are copied with unaligned
    // 16-character stores that may spill past the run; the spill is
    // overwritten by later output and never passes the input position, so
    // it stays inside the output buffer.
    void runVector(qsizetype limit)
    {
        const __m128i lt = _mm_set1_epi16('<');
        const __m128i gt = _mm_set1_epi16('>');
        while (m_pos + 32 <= limit) {
            const char16_t* chunk = m_in + m_pos;
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk + 8));
            const unsigned ltMask = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(a, lt), _mm_cmpeq_epi16(b, lt))));
            const unsigned gtMask = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(a, gt), _mm_cmpeq_epi16(b, gt))));

            unsigned offset = 0;
            while (offset < 16) {
                const unsigned above = ~0u << offset;
                if (m_inTag) {
                    const unsigned found = gtMask & above;
                    if (!found)
                        break;
                    offset = static_cast<unsigned>(__builtin_ctz(found)) + 1;
                    m_inTag = false;
                } else {
                    const unsigned found = ltMask & above;
                    const unsigned end = found ? static_cast<unsigned>(__builtin_ctz(found)) : 16;
                    copy16(chunk + offset);
                    m_written += end - offset;
                    if (!found)
                        break;
                    m_inTag = true;
                    m_tagStart = m_pos + end;
                    offset = end + 1;
                }
            }
            m_pos += 16;
        }
    }

    void copy16(const char16_t* from)
    {
        auto* to = reinterpret_cast<__m128i*>(m_out + m_written);
        _mm_storeu_si128(to, _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
        _mm_storeu_si128(to + 1, _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 8)));
    }
#endif

    const char16_t* m_in;
    qsizetype m_size;
    char16_t* m_out;
    qsizetype m_pos = 0;
    qsizetype m_written = 0;
    qsizetype m_tagStart = 0;
    bool m_inTag = false;
};

} // namespace

QString StripMarkup(QStringView text, const std::atomic<bool>* cancelled)
{
    QString result(text.size(), Qt::Uninitialized);
    // QChar and char16_t share their layout; the scan works on the latter.
    Stripper stripper(text, reinterpret_cast<char16_t*>(result.data()));

    if (!cancelled) {
        stripper.run(text.size());
    } else {
        while (stripper.position() < text.size()) {
            if (cancelled->load(std::memory_order_relaxed))
                return {};
            stripper.run(std::min(text.size(), stripper.position() + checkEvery));
        }
    }
    result.truncate(stripper.finish());
    return result;
}
