#pragma once
// Helpers shared by the generator's translation units.
#include <QByteArray>
#include <QString>

#include <cstdint>

namespace soru::testlib::detail {

// Small deterministic generator (xorshift32 over a splitmix-scrambled seed);
// the standard distributions differ between libraries, this does not.
class Rng {
public:
    explicit Rng(quint32 seed) {
        quint32 z = seed + 0x9E3779B9u;
        z = (z ^ (z >> 16)) * 0x85EBCA6Bu;
        z = (z ^ (z >> 13)) * 0xC2B2AE35u;
        state_ = (z ^ (z >> 16)) | 1u;
    }
    quint32 next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    // Uniform in [0, 1).
    double real() { return (next() >> 8) * (1.0 / 16777216.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * real(); }
    int below(int n) { return n <= 0 ? 0 : int(next() % quint32(n)); }

private:
    quint32 state_;
};

// Appends little-endian integers to a byte array.
class LeWriter {
public:
    explicit LeWriter(QByteArray& out) : out_(out) {}
    void u8(unsigned v) { out_.append(char(v & 0xFF)); }
    void u16(unsigned v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void i32(std::int32_t v) { u32(std::uint32_t(v)); }
    void bytes(const char* s, int n) { out_.append(s, n); }
    void zeros(int n) { out_.append(n, '\0'); }

private:
    QByteArray& out_;
};

inline void putU16(QByteArray& b, int at, unsigned v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}
inline void putU32(QByteArray& b, int at, std::uint32_t v) {
    putU16(b, at, v & 0xFFFF);
    putU16(b, at + 2, v >> 16);
}

// FNV-1a over the UTF-16 code units; qHash is seeded per process.
inline quint32 stableHash(const QString& s) {
    quint32 h = 2166136261u;
    for (QChar c : s) {
        h = (h ^ (c.unicode() & 0xFF)) * 16777619u;
        h = (h ^ (c.unicode() >> 8)) * 16777619u;
    }
    return h;
}

} // namespace soru::testlib::detail
