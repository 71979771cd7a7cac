#pragma once
// HEIC grids put together from pictures that heif-enc (or libheif's encoder)
// wrote one per file, as cameras and phones store their photos: a grid item
// of rows x columns HEVC tiles, cropped to its output size at the right and
// bottom, optionally turned. For the tests, the fuzz seeds and the
// benchmarks; no Debian tool writes HEIC grids.
#include <QByteArray>
#include <QtEndian>

#include <optional>
#include <vector>

namespace soru::heicgrid {

// What a grid needs of one coded picture: its property boxes (hvcC, ispe,
// colr, whole) and its coded data.
struct Tile {
    QByteArray config, size, colour;
    QByteArray data;
};

namespace detail {

inline quint32 u32(const QByteArray& b, qsizetype at) {
    return qFromBigEndian<quint32>(b.constData() + at);
}

// Calls fn(type, start, body, end) for each box between from and to.
template <typename Fn> bool forEachBox(const QByteArray& b, qsizetype from, qsizetype to, Fn&& fn) {
    while (from + 8 <= to) {
        const qsizetype size = u32(b, from);
        if (size < 8 || from + size > to)
            return false;
        fn(u32(b, from + 4), from, from + 8, from + size);
        from += size;
    }
    return from == to;
}

// v in 1 to 4 bytes, big-endian.
inline QByteArray be(quint32 v, int bytes) {
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out += char(v >> (8 * i) & 0xFF);
    return out;
}

inline QByteArray box(const char* type, const QByteArray& body) {
    return be(quint32(body.size() + 8), 4) + QByteArray(type, 4) + body;
}

inline QByteArray fullBox(const char* type, int version, const QByteArray& body,
                          quint32 flags = 0) {
    return box(type, be(quint32(version) << 24 | flags, 4) + body);
}

constexpr quint32 fourcc(const char (&s)[5]) {
    return quint32(quint8(s[0])) << 24 | quint32(quint8(s[1])) << 16 | quint32(quint8(s[2])) << 8 |
           quint8(s[3]);
}

} // namespace detail

// The tile in a HEIF file holding a single HEVC picture and nothing else
// (no thumbnail, alpha or metadata): its one hvcC, ispe and colr boxes and
// the media data. Nothing for other files.
inline std::optional<Tile> tileOf(const QByteArray& file) {
    using namespace detail;
    Tile tile;
    int configs = 0, items = 0, others = 0;
    bool ok = forEachBox(
        file, 0, file.size(), [&](quint32 type, qsizetype, qsizetype body, qsizetype end) {
            if (type == fourcc("mdat"))
                tile.data = file.mid(body, end - body);
            if (type != fourcc("meta"))
                return;
            forEachBox(file, body + 4, end, [&](quint32 t, qsizetype, qsizetype b, qsizetype e) {
                // The item entries follow a count of 16 bits (version 0) or 32.
                const auto entry = [&](quint32 i, qsizetype, qsizetype ib, qsizetype ie) {
                    const bool hevc =
                        i == fourcc("infe") && ie - ib >= 12 && u32(file, ib + 8) == fourcc("hvc1");
                    ++(hevc ? items : others);
                };
                if (t == fourcc("iinf"))
                    forEachBox(file, b + (file[b] == 0 ? 6 : 8), e, entry);
                if (t != fourcc("iprp"))
                    return;
                forEachBox(file, b, e, [&](quint32 t2, qsizetype, qsizetype b2, qsizetype e2) {
                    if (t2 != fourcc("ipco"))
                        return;
                    forEachBox(file, b2, e2, [&](quint32 p, qsizetype s, qsizetype, qsizetype pe) {
                        if (p == fourcc("hvcC")) {
                            tile.config = file.mid(s, pe - s);
                            ++configs;
                        } else if (p == fourcc("ispe")) {
                            tile.size = file.mid(s, pe - s);
                        } else if (p == fourcc("colr")) {
                            tile.colour = file.mid(s, pe - s);
                        }
                    });
                });
            });
        });
    if (!ok || configs != 1 || items != 1 || others != 0 || tile.size.isEmpty() ||
        tile.data.isEmpty())
        return std::nullopt;
    return tile;
}

// A HEIC file of one grid item, the primary, of rows x columns tiles (in
// rows, left to right) on a width x height canvas, turned anticlockwise by
// quarterTurns quarter turns. The grid's own description is the first
// thing in the media data: 8 bytes (rows - 1 at 2, columns - 1 at 3, the
// canvas's size in 16 bits at 4 and 6), or 12 with 32-bit sizes when the
// canvas needs them.
inline QByteArray grid(const std::vector<Tile>& tiles, int rows, int columns, quint32 width,
                       quint32 height, int quarterTurns = 0) {
    using namespace detail;
    const bool wide = width > 0xFFFF || height > 0xFFFF;
    const QByteArray description = be(0, 1) + be(wide ? 1 : 0, 1) + be(quint32(rows - 1), 1) +
                                   be(quint32(columns - 1), 1) + be(width, wide ? 4 : 2) +
                                   be(height, wide ? 4 : 2);
    const int count = int(tiles.size()) + 1; // item 1 is the grid, tiles follow

    QByteArray infos = be(quint32(count), 2);
    for (int id = 1; id <= count; ++id)
        infos += fullBox("infe", 2,
                         be(quint32(id), 2) + be(0, 2) + QByteArray(id == 1 ? "grid" : "hvc1", 4) +
                             QByteArray(1, '\0'),
                         id == 1 ? 0 : 1); // tiles are hidden
    QByteArray references = be(1, 2) + be(quint32(tiles.size()), 2);
    for (int id = 2; id <= count; ++id)
        references += be(quint32(id), 2);

    // Properties: the grid's size and turn, then each tile's own; 16-bit
    // indices (with the essential bit) in the association table.
    QByteArray properties = fullBox("ispe", 0, be(width, 4) + be(height, 4));
    QByteArray associations = be(quint32(count), 4);
    int index = 1;
    QByteArray gridAssoc = be(quint32(index++), 2);
    if (quarterTurns & 3) {
        properties += box("irot", be(quint32(quarterTurns & 3), 1));
        gridAssoc += be(0x8000 | quint32(index++), 2);
    }
    associations += be(1, 2) + be(quint32(gridAssoc.size() / 2), 1) + gridAssoc;
    for (int i = 0; i < int(tiles.size()); ++i) {
        const Tile& t = tiles[std::size_t(i)];
        QByteArray assoc;
        properties += t.config;
        assoc += be(0x8000 | quint32(index++), 2);
        properties += t.size;
        assoc += be(quint32(index++), 2);
        if (!t.colour.isEmpty()) {
            properties += t.colour;
            assoc += be(quint32(index++), 2);
        }
        associations += be(quint32(i + 2), 2) + be(quint32(assoc.size() / 2), 1) + assoc;
    }
    const QByteArray iprp =
        box("iprp", box("ipco", properties) + fullBox("ipma", 0, associations, 1));

    // Item locations: version 0, 4-byte offsets and lengths, into the media
    // data, whose place is known once the meta box's size is.
    const auto meta = [&](quint32 dataStart) {
        QByteArray locations = be(0x4400, 2) + be(quint32(count), 2);
        quint32 at = dataStart;
        const auto place = [&](int id, const QByteArray& bytes) {
            locations +=
                be(quint32(id), 2) + be(0, 2) + be(1, 2) + be(at, 4) + be(quint32(bytes.size()), 4);
            at += quint32(bytes.size());
        };
        place(1, description);
        for (int i = 0; i < int(tiles.size()); ++i)
            place(i + 2, tiles[std::size_t(i)].data);
        return fullBox(
            "meta", 0,
            fullBox("hdlr", 0,
                    be(0, 4) + QByteArray("pict", 4) + QByteArray(12, '\0') + QByteArray(1, '\0')) +
                fullBox("pitm", 0, be(1, 2)) + fullBox("iinf", 0, infos) +
                fullBox("iref", 0, box("dimg", references)) + iprp + fullBox("iloc", 0, locations));
    };
    const QByteArray ftyp = box("ftyp", QByteArray("heic\0\0\0\0mif1heic", 16));
    const quint32 dataStart = quint32(ftyp.size() + meta(0).size() + 8);
    QByteArray mdat = description;
    for (const Tile& t : tiles)
        mdat += t.data;
    return ftyp + meta(dataStart) + box("mdat", mdat);
}

} // namespace soru::heicgrid
