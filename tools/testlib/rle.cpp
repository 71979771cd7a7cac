// BI_RLE8 and BI_RLE4 streams. Each row is a sequence of encoded runs
// (count, value) and absolute runs (0, count, values..., padded to a 16-bit
// boundary); rows end with 0 0, the bitmap with 0 1. Absolute mode needs at
// least three pixels, so shorter literals become runs of one or two.
#include "tools/testlib/internal.h"
#include "tools/testlib/testlib.h"

namespace soru::testlib {
namespace {

using detail::LeWriter;

constexpr int kMaxRun = 255;

int at(const QByteArray& row, int i) {
    return uchar(row[i]);
}

void endRow(LeWriter& o, bool last) {
    o.u8(0);
    o.u8(last ? 1 : 0);
}

void rle8Row(LeWriter& o, const QByteArray& row) {
    const int n = int(row.size());
    int i = 0;
    while (i < n) {
        int run = 1;
        while (i + run < n && run < kMaxRun && row[i + run] == row[i])
            ++run;
        if (run >= 2) {
            o.u8(unsigned(run)), o.u8(unsigned(at(row, i)));
            i += run;
            continue;
        }
        // A literal stretch ends where three equal pixels begin.
        int j = i;
        while (j < n && j - i < kMaxRun &&
               !(j + 2 < n && row[j] == row[j + 1] && row[j] == row[j + 2]))
            ++j;
        const int len = j - i;
        if (len >= 3) {
            o.u8(0), o.u8(unsigned(len));
            for (int k = i; k < j; ++k)
                o.u8(unsigned(at(row, k)));
            if (len % 2)
                o.u8(0);
        } else {
            for (int k = i; k < j; ++k)
                o.u8(1), o.u8(unsigned(at(row, k)));
        }
        i = j;
    }
}

// Length of the run at i in which every pixel equals the one two before it:
// one colour, or two colours alternating.
int alternatingRun(const QByteArray& row, int i) {
    const int n = int(row.size());
    int len = std::min(2, n - i);
    while (i + len < n && len < kMaxRun && row[i + len] == row[i + len - 2])
        ++len;
    return len;
}

unsigned pair(const QByteArray& row, int i) {
    const unsigned hi = unsigned(at(row, i)) & 0x0F;
    const unsigned lo = i + 1 < row.size() ? unsigned(at(row, i + 1)) & 0x0F : 0;
    return hi << 4 | lo;
}

void rle4Row(LeWriter& o, const QByteArray& row) {
    const int n = int(row.size());
    int i = 0;
    while (i < n) {
        const int run = alternatingRun(row, i);
        if (run >= 3) {
            o.u8(unsigned(run)), o.u8(pair(row, i));
            i += run;
            continue;
        }
        int j = i;
        while (j < n && j - i < kMaxRun && alternatingRun(row, j) < 4)
            ++j;
        const int len = j - i;
        if (len >= 3) {
            o.u8(0), o.u8(unsigned(len));
            const int bytes = (len + 1) / 2;
            for (int k = 0; k < bytes; ++k) {
                const int p = i + 2 * k;
                o.u8((unsigned(at(row, p)) & 0x0F) << 4 |
                     (p + 1 < j ? unsigned(at(row, p + 1)) & 0x0F : 0));
            }
            if (bytes % 2)
                o.u8(0);
        } else {
            o.u8(unsigned(len)), o.u8(pair(row, i));
        }
        i = j;
    }
}

template <class RowEncoder>
QByteArray encodeRows(const QList<QByteArray>& rows, RowEncoder encodeRow) {
    QByteArray out;
    LeWriter o(out);
    for (qsizetype k = rows.size() - 1; k >= 0; --k) { // bottom-up
        encodeRow(o, rows[k]);
        endRow(o, k == 0);
    }
    return out;
}

} // namespace

QByteArray encodeRle8(const QList<QByteArray>& rowsOfIndices) {
    return encodeRows(rowsOfIndices, rle8Row);
}

QByteArray encodeRle4(const QList<QByteArray>& rowsOfIndices) {
    return encodeRows(rowsOfIndices, rle4Row);
}

} // namespace soru::testlib
