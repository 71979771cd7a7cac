#include "media/formats/heif_picture.h"

#include "core/failure.h"
#include "core/limits.h"
#include "media/colour/colour_management.h"
#include "media/formats/heif_av1_decoder.h"
#include "media/formats/picture_rows.h"
#include "media/formats/scaling.h"

#include <libheif/heif.h>

#include <QFile>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace soru {
namespace {

void initialiseLibheif() {
    static std::once_flag once;
    std::call_once(once, [] {
        heif_init(nullptr);
        registerHevcDecoder();
        registerAv1Decoder();
    });
}

struct HandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
using Handle = std::unique_ptr<heif_image_handle, HandleDeleter>;
using Image = std::unique_ptr<heif_image, ImageDeleter>;

[[noreturn]] void invalid() {
    throw InvalidPicture();
}

// ------------------------------------------------------------ the container
//
// Before libheif sees a file, its boxes are walked from their headers: the
// first must be a file-type box naming a HEIF brand, and only the bytes up
// to the end of the last box or item data libheif needs are read, however
// long the file is. The meta box is parsed for where each item's data lies,
// its type and what it is derived from, so that the canvas a grid or an
// overlay claims (which its size property need not match) is known before
// anything is decoded.

constexpr quint32 fourcc(const char (&s)[5]) {
    return quint32(uchar(s[0])) << 24 | quint32(uchar(s[1])) << 16 | quint32(uchar(s[2])) << 8 |
           uchar(s[3]);
}

// Bounds on what the walk accepts; libheif's own are looser or equal.
constexpr int kMaxTopLevelBoxes = 4096;
constexpr qint64 kMaxFtypBytes = 4096;
constexpr qint64 kMaxMetaBytes = 64LL << 20;
constexpr std::size_t kMaxItems = 65536;
constexpr std::size_t kMaxExtentsPerItem = 32;
constexpr int kMaxDerivationDepth = 8;

// Big-endian fields read from a span; reading past its end reads zeros and
// clears ok.
class Fields {
public:
    Fields(const uchar* data, qint64 size) : data_(data), size_(size) {}
    quint64 get(int bytes) {
        quint64 v = 0;
        if (bytes < 0 || at_ + bytes > size_) {
            ok_ = false;
            at_ = size_;
            return 0;
        }
        for (int i = 0; i < bytes; ++i)
            v = v << 8 | data_[at_++];
        return v;
    }
    quint32 u8() { return quint32(get(1)); }
    quint32 u16() { return quint32(get(2)); }
    quint32 u32() { return quint32(get(4)); }
    void skip(qint64 n) {
        if (n < 0 || at_ + n > size_) {
            ok_ = false;
            at_ = size_;
        } else {
            at_ += n;
        }
    }
    qint64 at() const { return at_; }
    qint64 left() const { return size_ - at_; }
    bool ok() const { return ok_; }

private:
    const uchar* data_;
    qint64 size_;
    qint64 at_ = 0;
    bool ok_ = true;
};

quint32 readU32(const uchar* p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

struct BoxHeader {
    quint32 type = 0;
    qint64 start = 0, body = 0, end = 0; // end may lie beyond the data
};

// The header of the box at `at` from its first bytes (8 or 16 of them);
// `limit` is where a box of size 0 (to the end) ends. False for a malformed
// header.
bool parseHeader(const uchar* bytes, qint64 n, qint64 at, qint64 limit, BoxHeader& box) {
    Fields f(bytes, n);
    quint64 size = f.u32();
    box.type = f.u32();
    if (size == 1)
        size = f.get(8);
    else if (size == 0)
        size = quint64(limit - at);
    if (!f.ok() || size < quint64(f.at()) ||
        size > quint64(std::numeric_limits<qint64>::max() - at))
        return false;
    box.start = at;
    box.body = at + f.at();
    box.end = at + qint64(size);
    return true;
}

// The children of a box held in memory, with their bodies clipped to it.
template <typename Fn>
bool forEachChild(const uchar* data, qint64 from, qint64 to, Fn&& fn) {
    int count = 0;
    for (qint64 at = from; at < to;) {
        BoxHeader box;
        if (++count > int(kMaxItems) || !parseHeader(data + at, to - at, at, to, box) ||
            box.end > to)
            return false;
        fn(box);
        at = box.end;
    }
    return true;
}

struct HeifItem {
    struct Extent {
        quint64 offset = 0, length = 0; // length 0: to the end of its box
    };
    quint32 type = 0;
    int method = 0; // 0: file offsets, 1: inside the idat box, 2: inside other items
    std::vector<Extent> extents;
    std::vector<heif_item_id> derivedFrom; // dimg references, in order
    std::vector<heif_item_id> auxiliaryOf; // auxl references: an alpha or depth plane
    // From its properties: the AV1 configuration's OBUs, the HEVC one, the turn (in
    // quarter turns anticlockwise), and whether it is mirrored or cropped; the
    // size it states and its colour description (nclx), where it has them.
    QByteArray av1Config;
    QByteArray hevcConfig; // the HEVC configuration record
    int quarterTurns = 0;
    bool mirrored = false, cropped = false;
    QSize size;
    std::optional<ContainerColour> colour;
};

struct HeifItems {
    std::map<heif_item_id, HeifItem> items;
    qint64 idatStart = -1, idatEnd = -1; // in the file
    bool propertiesKnown = false;

    const HeifItem* find(heif_item_id id) const {
        const auto it = items.find(id);
        return it == items.end() ? nullptr : &it->second;
    }
    HeifItem* add(heif_item_id id) {
        if (items.size() >= kMaxItems && !items.count(id))
            return nullptr;
        return &items[id];
    }
};

bool parseIloc(const uchar* data, const BoxHeader& box, HeifItems& out) {
    Fields f(data + box.body, box.end - box.body);
    const quint32 version = f.u8();
    f.skip(3);
    const quint32 sizes = f.u16();
    const int offsetSize = int(sizes >> 12), lengthSize = int(sizes >> 8 & 15),
              baseSize = int(sizes >> 4 & 15), indexSize = version >= 1 ? int(sizes & 15) : 0;
    const auto valid = [](int n) { return n == 0 || n == 4 || n == 8; };
    if (version > 2 || !valid(offsetSize) || !valid(lengthSize) || !valid(baseSize) ||
        !valid(indexSize))
        return false;
    const quint32 count = version < 2 ? f.u16() : f.u32();
    for (quint32 i = 0; i < count && f.ok(); ++i) {
        const heif_item_id id = version < 2 ? f.u16() : f.u32();
        HeifItem* item = out.add(id);
        if (!item)
            return false;
        item->method = version >= 1 ? int(f.u16() & 15) : 0;
        f.skip(2); // data reference index
        const quint64 base = f.get(baseSize);
        const quint32 extents = f.u16();
        if (extents > kMaxExtentsPerItem)
            return false;
        item->extents.clear();
        for (quint32 e = 0; e < extents && f.ok(); ++e) {
            f.skip(indexSize);
            const quint64 offset = f.get(offsetSize), length = f.get(lengthSize);
            if (offset > std::numeric_limits<quint64>::max() - base)
                return false;
            item->extents.push_back({base + offset, length});
        }
    }
    return f.ok();
}

bool parseIinf(const uchar* data, const BoxHeader& box, HeifItems& out) {
    Fields f(data + box.body, box.end - box.body);
    const quint32 version = f.u8();
    f.skip(3);
    f.skip(version == 0 ? 2 : 4); // entry count: the boxes that follow say it
    if (!f.ok())
        return false;
    bool ok = true;
    ok = forEachChild(data, box.body + f.at(), box.end, [&](const BoxHeader& infe) {
        if (infe.type != fourcc("infe"))
            return;
        Fields e(data + infe.body, infe.end - infe.body);
        const quint32 v = e.u8();
        e.skip(3);
        if (v < 2)
            return; // no item type in these
        const heif_item_id id = v == 2 ? e.u16() : e.u32();
        e.skip(2); // protection index
        const quint32 type = e.u32();
        HeifItem* item = e.ok() ? out.add(id) : nullptr;
        if (item)
            item->type = type;
        else
            ok = false;
    }) && ok;
    return ok;
}

bool parseIref(const uchar* data, const BoxHeader& box, HeifItems& out) {
    Fields f(data + box.body, box.end - box.body);
    const quint32 version = f.u8();
    f.skip(3);
    if (!f.ok())
        return false;
    bool ok = true;
    ok = forEachChild(data, box.body + 4, box.end, [&](const BoxHeader& ref) {
        if (ref.type != fourcc("dimg") && ref.type != fourcc("auxl"))
            return;
        Fields r(data + ref.body, ref.end - ref.body);
        const heif_item_id from = version == 0 ? r.u16() : r.u32();
        const quint32 count = r.u16();
        HeifItem* item = r.ok() ? out.add(from) : nullptr;
        if (!item) {
            ok = false;
            return;
        }
        auto& list = ref.type == fourcc("dimg") ? item->derivedFrom : item->auxiliaryOf;
        list.clear();
        for (quint32 i = 0; i < count && r.ok(); ++i)
            list.push_back(version == 0 ? r.u16() : r.u32());
        ok = ok && r.ok();
    }) && ok;
    return ok;
}

// The properties of the items that the direct AV1 and HEVC decodes need: the
// property boxes in order (ipco), then which of them each item has (ipma).
bool parseIprp(const uchar* data, const BoxHeader& iprp, HeifItems& out) {
    std::vector<BoxHeader> properties;
    std::vector<BoxHeader> maps;
    bool inner = true;
    bool ok = forEachChild(data, iprp.body, iprp.end, [&](const BoxHeader& box) {
        if (box.type == fourcc("ipco") && properties.empty())
            inner = forEachChild(data, box.body, box.end,
                                 [&](const BoxHeader& p) { properties.push_back(p); }) &&
                    inner;
        else if (box.type == fourcc("ipma"))
            maps.push_back(box);
    }) && inner;
    for (const BoxHeader& box : maps) {
        Fields f(data + box.body, box.end - box.body);
        const quint32 version = f.u8();
        const quint32 flags = f.get(3);
        const quint32 count = f.u32();
        for (quint32 i = 0; i < count && f.ok(); ++i) {
            const heif_item_id id = version < 1 ? f.u16() : f.u32();
            const quint32 n = f.u8();
            HeifItem* item = f.ok() ? out.add(id) : nullptr;
            if (!item)
                return false;
            for (quint32 k = 0; k < n && f.ok(); ++k) {
                const quint32 index = (flags & 1 ? f.u16() : f.u8()) & (flags & 1 ? 0x7FFF : 0x7F);
                if (index == 0 || index > properties.size())
                    continue;
                const BoxHeader& p = properties[index - 1];
                const qint64 body = p.end - p.body;
                if (p.type == fourcc("av1C") && body >= 4)
                    item->av1Config = QByteArray(reinterpret_cast<const char*>(data + p.body + 4),
                                                 body - 4);
                else if (p.type == fourcc("hvcC"))
                    item->hevcConfig =
                        QByteArray(reinterpret_cast<const char*>(data + p.body), body);
                else if (p.type == fourcc("irot") && body >= 1)
                    item->quarterTurns = data[p.body] & 3;
                else if (p.type == fourcc("imir"))
                    item->mirrored = true;
                else if (p.type == fourcc("clap"))
                    item->cropped = true;
                else if (p.type == fourcc("ispe") && body >= 12)
                    item->size = QSize(int(qMin<quint32>(readU32(data + p.body + 4), INT_MAX)),
                                       int(qMin<quint32>(readU32(data + p.body + 8), INT_MAX)));
                else if (p.type == fourcc("colr") && body >= 11 &&
                         readU32(data + p.body) == fourcc("nclx"))
                    item->colour = ContainerColour{data[p.body + 4] << 8 | data[p.body + 5],
                                                   data[p.body + 6] << 8 | data[p.body + 7],
                                                   data[p.body + 8] << 8 | data[p.body + 9],
                                                   (data[p.body + 10] & 0x80) != 0};
            }
        }
        ok = ok && f.ok();
    }
    return ok;
}

// The items the meta box (held in `data` from its start) describes.
bool parseMeta(const uchar* data, const BoxHeader& meta, HeifItems& out) {
    bool ok = true;
    // A full box: version and flags come before the children.
    ok = forEachChild(data, meta.body + 4, meta.end, [&](const BoxHeader& box) {
        if (box.type == fourcc("iloc"))
            ok = ok && parseIloc(data, box, out);
        else if (box.type == fourcc("iinf"))
            ok = ok && parseIinf(data, box, out);
        else if (box.type == fourcc("iref"))
            ok = ok && parseIref(data, box, out);
        else if (box.type == fourcc("iprp"))
            // What libheif makes of properties is its own concern: those
            // not understood here only keep the direct AV1 decode off.
            out.propertiesKnown = parseIprp(data, box, out);
        else if (box.type == fourcc("idat") && out.idatStart < 0) {
            out.idatStart = box.body;
            out.idatEnd = box.end;
        }
    }) && ok;
    return ok;
}

bool isHeifBrand(quint32 brand) {
    for (const quint32 b : {fourcc("heic"), fourcc("heix"), fourcc("heim"), fourcc("heis"),
                            fourcc("hevc"), fourcc("hevx"), fourcc("mif1"), fourcc("msf1"),
                            fourcc("mif2"), fourcc("avif"), fourcc("avis")})
        if (brand == b)
            return true;
    return false;
}

// The bytes of the file from its start to the end of the last box or item
// data libheif reads, and its items. Invalid when the file does not start
// with a HEIF file-type box, has no readable meta box, or needs more bytes
// than the memory limit.
QByteArray readHeifFile(const QString& path, HeifItems& items) {
    QFile file;
    openPictureFile(file, path);
    const qint64 fileSize = file.size();
    const auto readAt = [&](qint64 at, qint64 n) {
        QByteArray bytes(n, Qt::Uninitialized);
        qint64 got = 0;
        if (!file.seek(at))
            throw Failure(text::kCannotOpenFile.arg(path));
        while (got < n) {
            const qint64 r = file.read(bytes.data() + got, n - got);
            if (r < 0)
                throw Failure(text::kCannotOpenFile.arg(path));
            if (r == 0)
                break;
            got += r;
        }
        bytes.truncate(got);
        return bytes;
    };
    const auto udata = [](const QByteArray& b) {
        return reinterpret_cast<const uchar*>(b.constData());
    };

    std::vector<BoxHeader> boxes; // the top-level boxes
    qint64 needed = 0;
    QByteArray meta;
    BoxHeader metaBox;
    for (qint64 at = 0; at + 8 <= fileSize && int(boxes.size()) < kMaxTopLevelBoxes;) {
        const QByteArray head = readAt(at, qMin<qint64>(16, fileSize - at));
        BoxHeader box;
        if (!parseHeader(udata(head), head.size(), at, fileSize, box))
            break; // what follows is not libheif's concern once the meta box is read
        if (boxes.empty()) {
            // The signature: a file-type box with a HEIF brand among its
            // major and compatible ones.
            if (box.type != fourcc("ftyp") || box.end - box.body < 8 ||
                box.end - box.start > kMaxFtypBytes || box.end > fileSize)
                invalid();
            const QByteArray ftyp = readAt(box.body, box.end - box.body);
            Fields f(udata(ftyp), ftyp.size());
            bool heif = isHeifBrand(f.u32());
            f.skip(4); // minor version
            while (f.left() >= 4)
                heif = isHeifBrand(f.u32()) || heif;
            if (!heif)
                invalid();
            needed = box.end;
        } else if (box.type == fourcc("meta") && meta.isNull()) {
            if (box.end > fileSize || box.end - box.start > kMaxMetaBytes)
                invalid();
            meta = readAt(box.start, box.end - box.start);
            metaBox = box;
            needed = box.end;
        }
        boxes.push_back(box);
        at = box.end;
    }
    if (boxes.empty() || meta.isNull())
        invalid();
    // Offsets inside the meta box as held in memory.
    BoxHeader local = metaBox;
    local.body -= metaBox.start;
    local.end -= metaBox.start;
    local.start = 0;
    if (!parseMeta(udata(meta), local, items))
        invalid();
    if (items.idatStart >= 0) {
        items.idatStart += metaBox.start;
        items.idatEnd += metaBox.start;
    }
    // Item data in the file: its end, or the end of the box it lies in when
    // its length is not stated.
    for (const auto& [id, item] : items.items) {
        if (item.method != 0)
            continue;
        for (const HeifItem::Extent& e : item.extents) {
            qint64 end = fileSize;
            if (e.offset >= quint64(fileSize))
                continue; // libheif finds it missing
            if (e.length != 0) {
                end = e.length > quint64(fileSize) - e.offset ? fileSize
                                                              : qint64(e.offset + e.length);
            } else {
                for (const BoxHeader& b : boxes)
                    if (qint64(e.offset) >= b.start && qint64(e.offset) < b.end)
                        end = qMin(b.end, fileSize);
            }
            needed = qMax(needed, end);
        }
    }
    if (needed > kMaxDecodedPictureBytes)
        invalid();
    QByteArray bytes = readAt(0, needed);
    if (bytes.size() != needed)
        invalid(); // the file shrank while it was read
    return bytes;
}

// The first n bytes of an item's data, from the file's bytes, or fewer when
// it has fewer.
QByteArray itemData(const QByteArray& file, const HeifItems& items, const HeifItem& item, int n) {
    QByteArray out;
    for (const HeifItem::Extent& e : item.extents) {
        if (out.size() >= n)
            break;
        qint64 start = 0, end = 0;
        if (item.method == 0) {
            start = qint64(qMin<quint64>(e.offset, quint64(file.size())));
            end = file.size();
        } else if (item.method == 1 && items.idatStart >= 0) {
            const qint64 size = items.idatEnd - items.idatStart;
            start = items.idatStart + qint64(qMin<quint64>(e.offset, quint64(size)));
            end = qMin<qint64>(items.idatEnd, file.size());
        } else {
            break;
        }
        if (e.length != 0 && e.length < quint64(end - start))
            end = start + qint64(e.length);
        out += file.mid(start, qMax<qint64>(0, qMin<qint64>(end - start, n - out.size())));
    }
    return out;
}

struct Canvas {
    qint64 width = 0, height = 0; // 0: the item's size property stands
};

// The canvas libheif makes to decode the item: a grid's or an overlay's own
// size, an identity item's source's.
Canvas derivedCanvas(const QByteArray& file, const HeifItems& items, heif_item_id id,
                     int depth = 0) {
    const HeifItem* item = items.find(id);
    if (!item || depth > kMaxDerivationDepth)
        return {};
    if (item->type == fourcc("iden"))
        return item->derivedFrom.empty()
                   ? Canvas{}
                   : derivedCanvas(file, items, item->derivedFrom.front(), depth + 1);
    const bool grid = item->type == fourcc("grid");
    if (!grid && item->type != fourcc("iovl"))
        return {};
    const QByteArray data = itemData(file, items, *item, 20);
    Fields f(reinterpret_cast<const uchar*>(data.constData()), data.size());
    f.skip(1); // version
    const bool wide = f.u8() & 1;
    f.skip(grid ? 2 : 8); // rows and columns; the overlay's background colour
    const qint64 w = qint64(f.get(wide ? 4 : 2)), h = qint64(f.get(wide ? 4 : 2));
    return f.ok() ? Canvas{w, h} : Canvas{};
}

// Whether every picture the item is derived from (an identity's, a grid's
// tiles, an overlay's layers), at every depth, is a picture item of the
// file. libheif aborts the whole program on a derived item whose source is
// some other item or none. An item the reader does not know is left to
// libheif as before.
bool derivationsResolve(const HeifItems& items, heif_item_id id, int depth = 0) {
    const HeifItem* item = items.find(id);
    if (!item)
        return depth == 0;
    const bool derived = item->type == fourcc("iden") || item->type == fourcc("grid") ||
                         item->type == fourcc("iovl");
    if (!derived)
        return depth == 0 || item->type == fourcc("hvc1") || item->type == fourcc("av01") ||
               item->type == fourcc("jpeg");
    if (depth > kMaxDerivationDepth || item->derivedFrom.empty())
        return false;
    for (const heif_item_id source : item->derivedFrom)
        if (source == id || !items.find(source) || !derivationsResolve(items, source, depth + 1))
            return false;
    return true;
}

// Bytes of a w x h picture at bytesPerPixel; above the limit when it does
// not fit.
qint64 pictureBytes(qint64 w, qint64 h, int bytesPerPixel) {
    if (!pictureFitsMemoryLimit(w, h, bytesPerPixel))
        return kMaxDecodedPictureBytes + 1;
    return w * h * bytesPerPixel;
}

// A file as libheif holds it, with the items read before it.
struct OpenFile {
    QByteArray bytes; // libheif reads from them without a copy
    HeifItems items;
    heif_context* context = nullptr;
    Handle primary;
    heif_item_id primaryId = 0;

    ~OpenFile() {
        primary.reset();
        if (context)
            heif_context_free(context);
    }
};

// One image of the file, the primary or a thumbnail, ready to decode.
struct Picture {
    const OpenFile& file;
    heif_image_handle* handle;
    heif_item_id id;
};

// Whether decoding the image stays within the one memory limit, counted
// before anything is decoded: the whole canvas libheif makes (a grid's or
// overlay's own size where that is larger than the size property says),
// in three planes of RGB at the stored depth (libheif turns every picture
// into them; 2 bytes a sample above 8 bits) or the 4 bytes a pixel drawn
// from them, and the alpha plane at its own canvas.
bool canvasFits(const Picture& p) {
    if (!derivationsResolve(p.file.items, p.id))
        return false;
    const qint64 w = heif_image_handle_get_width(p.handle);
    const qint64 h = heif_image_handle_get_height(p.handle);
    if (w <= 0 || h <= 0)
        return false;
    const int luma = heif_image_handle_get_luma_bits_per_pixel(p.handle);
    const int chroma = heif_image_handle_get_chroma_bits_per_pixel(p.handle);
    const int sampleBytes = luma > 0 && luma <= 8 && chroma <= 8 ? 1 : 2;
    const int pixelBytes = std::max(4, 3 * sampleBytes);
    const auto bytes = [](qint64 cw, qint64 ch, int perPixel) {
        return cw == 0 && ch == 0 ? 0 : pictureBytes(cw, ch, perPixel);
    };
    const Canvas canvas = derivedCanvas(p.file.bytes, p.file.items, p.id);
    qint64 total =
        std::max(bytes(w, h, pixelBytes), bytes(canvas.width, canvas.height, pixelBytes));
    if (heif_image_handle_has_alpha_channel(p.handle)) {
        qint64 alpha = bytes(std::max(w, canvas.width), std::max(h, canvas.height), sampleBytes);
        for (const auto& [id, item] : p.file.items.items)
            if (std::find(item.auxiliaryOf.begin(), item.auxiliaryOf.end(), p.id) !=
                item.auxiliaryOf.end()) {
                if (!derivationsResolve(p.file.items, id))
                    return false;
                const Canvas a = derivedCanvas(p.file.bytes, p.file.items, id);
                alpha = std::max(alpha, bytes(a.width, a.height, sampleBytes));
            }
        total += alpha;
    }
    return total <= kMaxDecodedPictureBytes;
}

// The container's colour description of the image, which its AV1 decode
// uses over the stream's; none when the image has no nclx colour property.
std::optional<ContainerColour> containerColour(heif_image_handle* handle) {
    if (heif_image_handle_get_color_profile_type(handle) != heif_color_profile_type_nclx)
        return std::nullopt;
    // libheif may hand over a profile with an error (codes it does not
    // know): it is freed either way.
    heif_color_profile_nclx* nclx = nullptr;
    const bool ok = heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok;
    std::optional<ContainerColour> colour;
    if (ok && nclx)
        colour = ContainerColour{int(nclx->color_primaries), int(nclx->transfer_characteristics),
                                 int(nclx->matrix_coefficients), nclx->full_range_flag != 0};
    heif_nclx_color_profile_free(nclx);
    return colour;
}

// The image decoded by libheif into colorspace and chroma, its whole
// canvas checked first. Null when libheif fails.
Image decodeChecked(const Picture& p, heif_colorspace colorspace, heif_chroma chroma,
                    const heif_decoding_options* options) {
    if (!canvasFits(p))
        invalid();
    const std::optional<ContainerColour> colour = containerColour(p.handle);
    // libheif takes an alpha plane from a decoded picture's first plane:
    // the HEVC decoder leaves those pictures to libheif's conversion.
    const bool alpha = heif_image_handle_has_alpha_channel(p.handle);
    const ContainerColourScope scope(colour ? &*colour : nullptr, !alpha);
    heif_image* decoded = nullptr;
    const heif_error err = heif_decode_image(p.handle, &decoded, colorspace, chroma, options);
    Image image{decoded};
    if (err.code != heif_error_Ok)
        image.reset();
    return image;
}

// The handle's image decoded to 8-bit RGB, transforms applied, composed
// over the ground: RGB32.
QImage decodeHandle(const Picture& p) {
    heif_image_handle* handle = p.handle;
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    // Samples stored already multiplied by their alpha need only the ground
    // added.
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle);
    heif_decoding_options* options = heif_decoding_options_alloc();
    if (!options)
        throw std::bad_alloc();
    const Image image =
        decodeChecked(p, heif_colorspace_RGB,
                      alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options);
    heif_decoding_options_free(options);
    if (!image)
        invalid();
    const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t* plane =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!plane || w <= 0 || h <= 0 ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8)
        invalid();
    QImage out(w, h, QImage::Format_RGB32);
    if (out.isNull())
        throw std::bad_alloc();
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = plane + qsizetype(stride) * y;
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        if (premultiplied) {
            for (int x = 0; x < w; ++x, src += 4) {
                const int ground = (255 * (255 - src[3]) + 127) / 255;
                dst[x] = qRgb(qMin(255, src[0] + ground), qMin(255, src[1] + ground),
                              qMin(255, src[2] + ground));
            }
        } else if (alpha) {
            for (int x = 0; x < w; ++x, src += 4)
                dst[x] = qRgba(src[0], src[1], src[2], src[3]);
            composeOverGround(dst, w);
        } else {
            for (int x = 0; x < w; ++x, src += 3)
                dst[x] = qRgb(src[0], src[1], src[2]);
        }
    }
    return out;
}

// Three 8-bit planes woven into n opaque QRgb pixels.
void weave(const uint8_t* r, const uint8_t* g, const uint8_t* b, QRgb* out, int n) {
    int x = 0;
#ifdef __SSE2__
    const __m128i opaque = _mm_set1_epi8(char(0xFF));
    for (; x + 16 <= n; x += 16) {
        const __m128i rv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + x));
        const __m128i gv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + x));
        const __m128i bv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
        // Memory order B, G, R, A: QRgb on a little-endian machine.
        const __m128i bgLo = _mm_unpacklo_epi8(bv, gv), bgHi = _mm_unpackhi_epi8(bv, gv);
        const __m128i raLo = _mm_unpacklo_epi8(rv, opaque), raHi = _mm_unpackhi_epi8(rv, opaque);
        auto* dst = reinterpret_cast<__m128i*>(out + x);
        _mm_storeu_si128(dst, _mm_unpacklo_epi16(bgLo, raLo));
        _mm_storeu_si128(dst + 1, _mm_unpackhi_epi16(bgLo, raLo));
        _mm_storeu_si128(dst + 2, _mm_unpacklo_epi16(bgHi, raHi));
        _mm_storeu_si128(dst + 3, _mm_unpackhi_epi16(bgHi, raHi));
    }
#endif
    for (; x < n; ++x)
        out[x] = qRgb(r[x], g[x], b[x]);
}

// A row of a plane as 8-bit samples: the plane's own at 8 bits, deeper
// ones (in 16-bit words) scaled into scratch.
const uint8_t* samples8(const uint8_t* line, int bits, int n, uint8_t* scratch) {
    if (bits == 8)
        return line;
    const auto* in = reinterpret_cast<const uint16_t*>(line);
    const int max = (1 << bits) - 1;
    for (int x = 0; x < n; ++x)
        scratch[x] = uint8_t((std::min<int>(in[x], max) * 255 + max / 2) / max);
    return scratch;
}

// The handle's image drawn into the target straight from the planar RGB
// that libheif's conversion makes (it converts to that whatever is asked
// for; the decoders hand it 8-bit RGB for most pictures): each row woven
// into pixels and reduced as it comes, so no full-size picture is ever
// held beyond libheif's own. False, with nothing drawn, when the planes
// are not as expected.
bool drawPlanar(const Picture& p, QImage& canvas, const QRect& target, QSize& decodedSize) {
    heif_image_handle* handle = p.handle;
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle);
    const Image image = decodeChecked(p, heif_colorspace_RGB, heif_chroma_444, nullptr);
    if (!image)
        invalid();
    const heif_channel channels[] = {heif_channel_R, heif_channel_G, heif_channel_B,
                                     heif_channel_Alpha};
    const int w = heif_image_get_width(image.get(), heif_channel_R);
    const int h = heif_image_get_height(image.get(), heif_channel_R);
    const uint8_t* planes[4] = {};
    int strides[4] = {}, bits[4] = {};
    for (int c = 0; c < (alpha ? 4 : 3); ++c) {
        planes[c] = heif_image_get_plane_readonly(image.get(), channels[c], &strides[c]);
        bits[c] = heif_image_get_bits_per_pixel_range(image.get(), channels[c]);
        const int storage = heif_image_get_bits_per_pixel(image.get(), channels[c]);
        if (!planes[c] || bits[c] < 8 || bits[c] > 16 || storage != (bits[c] == 8 ? 8 : 16) ||
            heif_image_get_width(image.get(), channels[c]) != w ||
            heif_image_get_height(image.get(), channels[c]) != h)
            return false;
    }
    if (w <= 0 || h <= 0)
        invalid();
    ScaledRowTarget out(canvas, target, QSize(w, h), 1);
    std::vector<QRgb> row(static_cast<std::size_t>(w));
    std::vector<uint8_t> scratch(std::size_t(w) * 4);
    for (int y = 0; y < h; ++y) {
        const auto line = [&](int c) {
            return samples8(planes[c] + qsizetype(strides[c]) * y, bits[c], w,
                            scratch.data() + std::size_t(w) * c);
        };
        weave(line(0), line(1), line(2), row.data(), w);
        if (alpha) {
            const uint8_t* a = line(3);
            if (premultiplied) {
                for (int x = 0; x < w; ++x) {
                    const int ground = (255 * (255 - a[x]) + 127) / 255;
                    const QRgb p = row[std::size_t(x)];
                    row[std::size_t(x)] = qRgb(qMin(255, qRed(p) + ground),
                                               qMin(255, qGreen(p) + ground),
                                               qMin(255, qBlue(p) + ground));
                }
            } else {
                for (int x = 0; x < w; ++x)
                    row[std::size_t(x)] = (row[std::size_t(x)] & 0xFFFFFFu) | QRgb(a[x]) << 24;
                composeOverGround(row.data(), w);
            }
        }
        out.addRow(y, row.data());
    }
    out.finish();
    decodedSize = QSize(w, h);
    return true;
}

// The rows of a direct AV1 or HEVC decode, woven and reduced into the
// target as they come. A picture of another size than `expected` (when
// given) is not drawn.
class TargetRows final : public RgbRowSink {
public:
    TargetRows(QImage& canvas, const QRect& target, int orientation, QSize expected = {})
        : canvas_(canvas), target_(target), orientation_(orientation), expected_(expected) {}
    void begin(int width, int height) override {
        size_ = QSize(width, height);
        if (expected_.isValid() && size_ != expected_)
            return;
        row_.resize(std::size_t(width));
        out_.emplace(canvas_, target_, size_, orientation_);
    }
    void row(int y, const uint8_t* r, const uint8_t* g, const uint8_t* b) override {
        if (!out_)
            return;
        weave(r, g, b, row_.data(), size_.width());
        out_->addRow(0, y, row_.data());
    }
    bool splitInTwo(TwoParts& parts) override {
        if (!out_)
            return false;
        const ScaledRowTarget::Parts split = out_->splitInTwo();
        parts = {split.firstEnd, split.secondBegin};
        secondRow_.resize(row_.size());
        return true;
    }
    void secondRow(int y, const uint8_t* r, const uint8_t* g, const uint8_t* b) override {
        if (!out_)
            return;
        weave(r, g, b, secondRow_.data(), size_.width());
        out_->addRow(1, y, secondRow_.data());
    }
    // The stored size drawn, or an empty one when nothing was drawn.
    QSize finish() {
        if (!out_)
            return {};
        out_->finish();
        return size_;
    }

private:
    QImage& canvas_;
    QRect target_;
    int orientation_;
    QSize expected_;
    QSize size_;
    std::vector<QRgb> row_, secondRow_;
    std::optional<ScaledRowTarget> out_;
};

// An AV1 picture item without alpha, mirroring or cropping, decoded
// without libheif: its rows are converted and reduced straight from
// dav1d's planes, and a turn is made on the reduced picture. False, with
// nothing drawn, for other pictures and when it does not decode (libheif
// then tries).
bool drawAv1Directly(const Picture& p, QImage& canvas, const QRect& target, QSize& decodedSize) {
    const HeifItems& items = p.file.items;
    const HeifItem* item = items.find(p.id);
    if (!items.propertiesKnown || !item || item->type != fourcc("av01") || item->mirrored ||
        item->cropped || item->method > 1 || item->extents.empty() ||
        heif_image_handle_has_alpha_channel(p.handle))
        return false;
    // The configuration's OBUs before the item's data, as libheif hands
    // them to a decoder; a single extent in the file is read where it lies.
    QByteArray coded;
    const HeifItem::Extent& first = item->extents.front();
    const qint64 fileSize = p.file.bytes.size();
    if (item->av1Config.isEmpty() && item->method == 0 && item->extents.size() == 1 &&
        first.length > 0 && first.offset < quint64(fileSize) &&
        first.length <= quint64(fileSize) - first.offset) {
        coded = QByteArray::fromRawData(p.file.bytes.constData() + first.offset,
                                        qsizetype(first.length));
    } else {
        coded = item->av1Config +
                itemData(p.file.bytes, items, *item, std::numeric_limits<int>::max());
    }
    // Quarter turns anticlockwise as EXIF orientations: 90 degrees is 8,
    // 180 is 3, 270 is 6.
    static constexpr int kOrientation[] = {1, 8, 3, 6};
    const std::optional<ContainerColour> colour = containerColour(p.handle);
    TargetRows rows(canvas, target, kOrientation[item->quarterTurns]);
    const bool ok =
        decodeAv1Rows(reinterpret_cast<const uint8_t*>(coded.constData()),
                      std::size_t(coded.size()), colour ? &*colour : nullptr, rows);
    const QSize stored = rows.finish();
    if (!ok || stored.isEmpty())
        return false;
    decodedSize = item->quarterTurns & 1 ? stored.transposed() : stored;
    return true;
}

// The parameter sets an HEVC configuration record holds, each after its
// size in four bytes, as libheif puts them ahead of the item's data for its
// decoder; none when the record is malformed or the item's units are not
// preceded by four-byte sizes (which the decoder reads).
std::optional<QByteArray> hevcHeaders(const QByteArray& config) {
    Fields f(reinterpret_cast<const uchar*>(config.constData()), config.size());
    f.skip(21);
    const int lengthSize = int(f.u8() & 3) + 1;
    const quint32 arrays = f.u8();
    if (!f.ok() || lengthSize != 4)
        return std::nullopt;
    QByteArray out;
    for (quint32 a = 0; a < arrays && f.ok(); ++a) {
        f.skip(1); // completeness and unit type
        const quint32 units = f.u16();
        for (quint32 u = 0; u < units && f.ok(); ++u) {
            const quint32 n = f.u16();
            const qint64 at = f.at();
            f.skip(n);
            if (!f.ok())
                break;
            const char size[4] = {0, 0, char(n >> 8), char(n & 0xFF)};
            out.append(size, 4).append(config.constData() + at, n);
        }
    }
    if (!f.ok())
        return std::nullopt;
    return out;
}

// The shallowest HEVC pictures drawn by drawHevcDirectly: 8-bit ones are
// converted by the HEVC decoder wrapped for libheif already, and drawing
// them here saves only a copy (a few per cent).
constexpr int kHevcDirectMinBits = 9;

// An HEVC picture item without alpha, mirroring or cropping, decoded by
// libheif's HEVC decoder but not converted by libheif (whose conversion
// of deep pictures is in floating point, at full size, and to deep RGB):
// its rows are converted and reduced straight from the decoder's planes,
// and a turn is made on the reduced picture. False, with nothing drawn,
// for other pictures and when it does not decode as expected (libheif then
// tries).
bool drawHevcDirectly(const Picture& p, QImage& canvas, const QRect& target, QSize& decodedSize) {
    const HeifItems& items = p.file.items;
    const HeifItem* item = items.find(p.id);
    if (!items.propertiesKnown || !item || item->type != fourcc("hvc1") || item->mirrored ||
        item->cropped || item->method > 1 || item->extents.empty() ||
        heif_image_handle_get_luma_bits_per_pixel(p.handle) < kHevcDirectMinBits ||
        heif_image_handle_has_alpha_channel(p.handle))
        return false;
    const std::optional<QByteArray> headers = hevcHeaders(item->hevcConfig);
    if (!headers)
        return false;
    const QByteArray coded =
        *headers + itemData(p.file.bytes, items, *item, std::numeric_limits<int>::max());
    // Quarter turns anticlockwise as EXIF orientations, as for AV1. The
    // stored picture must have the size the container says (which the
    // memory limit was checked against): the handle's, turned back.
    static constexpr int kOrientation[] = {1, 8, 3, 6};
    const QSize shown(heif_image_handle_get_width(p.handle),
                      heif_image_handle_get_height(p.handle));
    const QSize expected = item->quarterTurns & 1 ? shown.transposed() : shown;
    const std::optional<ContainerColour> colour = containerColour(p.handle);
    TargetRows rows(canvas, target, kOrientation[item->quarterTurns], expected);
    const bool ok = decodeHevcRows(reinterpret_cast<const uint8_t*>(coded.constData()),
                                   std::size_t(coded.size()), colour ? &*colour : nullptr, rows);
    if (rows.finish().isEmpty() || !ok)
        return false;
    decodedSize = shown;
    return true;
}

// A grid's layout from its item data: rows and columns of tiles, and the
// canvas they are placed on (cropped to it at the right and bottom).
struct GridLayout {
    int rows = 0, columns = 0;
    qint64 width = 0, height = 0;
};

std::optional<GridLayout> gridLayout(const QByteArray& file, const HeifItems& items,
                                     const HeifItem& grid) {
    const QByteArray data = itemData(file, items, grid, 12);
    Fields f(reinterpret_cast<const uchar*>(data.constData()), data.size());
    f.skip(1); // version
    const bool wide = f.u8() & 1;
    GridLayout layout;
    layout.rows = int(f.u8()) + 1;
    layout.columns = int(f.u8()) + 1;
    layout.width = qint64(f.get(wide ? 4 : 2));
    layout.height = qint64(f.get(wide ? 4 : 2));
    if (!f.ok())
        return std::nullopt;
    return layout;
}

// libheif refuses a grid canvas of this many pixels on a side or more.
constexpr qint64 kLibheifMaxSide = 32768;

// Decoding threads for a grid's tiles, the calling one among them: a band
// of tiles shares them, each tile decoded on one.
constexpr int kMaxGridThreads = 4;

// The rows of one tile of a grid, kept where they lie in the band of tiles
// being decoded: 8-bit red, green and blue planes the grid's width wide,
// the tile's columns cropped at the canvas's right edge.
class TileRows final : public RgbRowSink {
public:
    // band: three planes of plane bytes, bandWidth bytes a row; the first
    // bandRows rows of the tile are kept, from x0 on.
    TileRows(uint8_t* band, std::size_t plane, int bandWidth, int bandRows, int x0, QSize expected)
        : band_(band), plane_(plane), bandWidth_(bandWidth), bandRows_(bandRows), x0_(x0),
          expected_(expected) {}
    void begin(int width, int height) override { sized_ = QSize(width, height) == expected_; }
    void row(int y, const uint8_t* r, const uint8_t* g, const uint8_t* b) override {
        if (!sized_ || y >= bandRows_)
            return;
        const int n = std::min(expected_.width(), bandWidth_ - x0_);
        uint8_t* at = band_ + std::size_t(y) * std::size_t(bandWidth_) + std::size_t(x0_);
        std::memcpy(at, r, std::size_t(n));
        std::memcpy(at + plane_, g, std::size_t(n));
        std::memcpy(at + 2 * plane_, b, std::size_t(n));
    }
    bool sized() const { return sized_; }

private:
    uint8_t* band_;
    std::size_t plane_;
    int bandWidth_, bandRows_, x0_;
    QSize expected_;
    bool sized_ = false;
};

// A grid of deep HEVC tiles (as cameras and phones store photos), decoded
// and converted tile by tile without libheif's conversion (floating point,
// into deep RGB at the grid's full size): one band of tiles at a time,
// its tiles shared among a few threads, into 8-bit rows the grid's width
// wide that are reduced into the target as each band is done, the turn
// made on the reduced picture. The tiles are placed as libheif places
// them, each converted with its own colour description (else its
// stream's). False, with nothing drawn, for grids that are not all alike
// tiles of one size covering the canvas, with alpha, mirrored or cropped,
// and when a tile does not decode to its stated size (libheif then tries).
bool drawHevcGrid(const Picture& p, QImage& canvas, const QRect& target, QSize& decodedSize) {
    const HeifItems& items = p.file.items;
    const HeifItem* grid = items.find(p.id);
    const int bits = heif_image_handle_get_luma_bits_per_pixel(p.handle);
    if (!items.propertiesKnown || !grid || grid->type != fourcc("grid") || grid->mirrored ||
        grid->cropped || grid->method > 1 || bits < kHevcDirectMinBits ||
        heif_image_handle_has_alpha_channel(p.handle))
        return false;
    const std::optional<GridLayout> layout = gridLayout(p.file.bytes, items, *grid);
    if (!layout || layout->width <= 0 || layout->height <= 0 || layout->width >= kLibheifMaxSide ||
        layout->height >= kLibheifMaxSide ||
        grid->derivedFrom.size() != std::size_t(layout->rows) * std::size_t(layout->columns))
        return false;
    const QSize stored(int(layout->width), int(layout->height));
    const QSize shown(heif_image_handle_get_width(p.handle),
                      heif_image_handle_get_height(p.handle));
    if ((grid->quarterTurns & 1 ? stored.transposed() : stored) != shown)
        return false;
    // The tiles: HEVC pictures of one size and depth, untransformed, none
    // wholly off the canvas and none of it left uncovered.
    std::vector<const HeifItem*> tiles;
    tiles.reserve(grid->derivedFrom.size());
    for (const heif_item_id id : grid->derivedFrom) {
        const HeifItem* tile = items.find(id);
        if (!tile || tile->type != fourcc("hvc1") || tile->mirrored || tile->cropped ||
            tile->quarterTurns || tile->method > 1 || tile->extents.empty() ||
            tile->size.isEmpty() || (!tiles.empty() && tile->size != tiles.front()->size) ||
            tile->hevcConfig.size() < 18 || (tile->hevcConfig[17] & 7) + 8 != bits)
            return false;
        tiles.push_back(tile);
    }
    const QSize tileSize = tiles.front()->size;
    const qint64 tw = tileSize.width(), th = tileSize.height();
    if (tw * layout->columns < layout->width || th * layout->rows < layout->height ||
        tw * (layout->columns - 1) >= layout->width || th * (layout->rows - 1) >= layout->height)
        return false;
    // The band holds 3 bytes a pixel of no more rows than the canvas has;
    // each thread's tile is decoded into planes of up to 2 bytes a sample
    // (three of them, in 4:4:4). Both within the limit, as the whole canvas
    // was.
    const int threads = std::clamp(int(std::thread::hardware_concurrency()), 1,
                                   std::min(kMaxGridThreads, layout->columns));
    const qint64 bandRows = std::min(th, layout->height);
    if (!pictureFitsMemoryLimit(layout->width, bandRows, 3) ||
        !pictureFitsMemoryLimit(tw * threads, th, 6))
        return false;

    // Drawn into a picture of the target's size first: a tile that fails
    // late leaves the canvas as it was.
    static constexpr int kOrientation[] = {1, 8, 3, 6};
    QImage drawn(target.size(), QImage::Format_RGB32);
    if (drawn.isNull())
        throw std::bad_alloc();
    ScaledRowTarget out(drawn, drawn.rect(), stored, kOrientation[grid->quarterTurns]);
    const int width = stored.width();
    const std::size_t plane = std::size_t(width) * std::size_t(bandRows);
    std::vector<uint8_t> band(3 * plane);
    std::vector<QRgb> row(std::size_t(width), 0);
    for (int r = 0; r < layout->rows; ++r) {
        const int y0 = r * int(th);
        const int rowsHere = int(std::min<qint64>(th, layout->height - y0));
        std::atomic<int> next{0};
        std::atomic<bool> failed{false};
        const auto decodeTiles = [&] {
            for (int c; !failed && (c = next++) < layout->columns;) {
                try {
                    const HeifItem& tile = *tiles[std::size_t(r * layout->columns + c)];
                    const std::optional<QByteArray> headers = hevcHeaders(tile.hevcConfig);
                    if (!headers) {
                        failed = true;
                        break;
                    }
                    const QByteArray coded = *headers + itemData(p.file.bytes, items, tile,
                                                                 std::numeric_limits<int>::max());
                    TileRows rows(band.data(), plane, width, rowsHere, c * int(tw), tileSize);
                    if (!decodeHevcRows(reinterpret_cast<const uint8_t*>(coded.constData()),
                                        std::size_t(coded.size()),
                                        tile.colour ? &*tile.colour : nullptr, rows) ||
                        !rows.sized())
                        failed = true;
                } catch (...) { // memory: the caller's decode tries and fails
                    failed = true;
                }
            }
        };
        std::vector<std::thread> helpers;
        for (int i = 1; i < threads; ++i) {
            try {
                helpers.emplace_back(decodeTiles);
            } catch (...) {
                break; // the calling thread decodes what is left
            }
        }
        decodeTiles();
        for (std::thread& t : helpers)
            t.join();
        if (failed)
            return false;
        for (int y = 0; y < rowsHere; ++y) {
            const uint8_t* red = band.data() + std::size_t(y) * std::size_t(width);
            weave(red, red + plane, red + 2 * plane, row.data(), width);
            out.addRow(y0 + y, row.data());
        }
    }
    out.finish();
    placeOpaque(canvas, target, drawn);
    decodedSize = shown;
    return true;
}

// Draws the handle's image into the target; returns the size decoded.
QSize drawHandle(const Picture& p, QImage& canvas, const QRect& target) {
    if (!canvasFits(p))
        invalid();
    QSize size;
    if (drawAv1Directly(p, canvas, target, size) || drawHevcDirectly(p, canvas, target, size) ||
        drawHevcGrid(p, canvas, target, size) || drawPlanar(p, canvas, target, size))
        return size;
    const QImage image = decodeHandle(p);
    drawSmoothScaled(canvas, target, image);
    return image.size();
}

} // namespace

struct HeifPicture::File : OpenFile {};

HeifPicture::HeifPicture(ColourTransformCache& colours) : FormatPicture(text::kBadHeif, colours) {}
HeifPicture::~HeifPicture() = default;

void HeifPicture::loadFile(const QString& path) {
    file_.reset();
    size_ = QSize(0, 0);
    profile_.clear();
    lastDecoded_ = QSize();
    bitDepth_ = 0;
    canvasPixels_ = 0;
    initialiseLibheif();

    auto file = std::make_unique<File>();
    file->bytes = readHeifFile(path, file->items);
    file->context = heif_context_alloc();
    if (!file->context)
        throw std::bad_alloc();
    // libheif's own limits (a side of 32768 in the versions this is built
    // with) stand: the whole canvas is checked against the memory limit
    // before each decode, and nothing here loosens them.
    if (heif_context_read_from_memory_without_copy(file->context, file->bytes.constData(),
                                                   std::size_t(file->bytes.size()), nullptr)
            .code != heif_error_Ok)
        invalid();
    heif_image_handle* primary = nullptr;
    if (heif_context_get_primary_image_ID(file->context, &file->primaryId).code != heif_error_Ok ||
        heif_context_get_primary_image_handle(file->context, &primary).code != heif_error_Ok ||
        !primary)
        invalid();
    file->primary.reset(primary);
    // The decoders take the container's colour (and the leave to convert)
    // from this thread, so AV1 pictures and their tiles, and HEVC pictures
    // other than grids, are decoded on it: libheif would otherwise decode
    // each on a thread of its own. dav1d has threads of its own for large
    // pictures; an HEVC grid's tiles keep libheif's threads, and its
    // conversion, unless they are deep (drawHevcGrid draws those on
    // threads of its own).
    bool av1 = false;
    for (const auto& [id, item] : file->items.items)
        av1 = av1 || item.type == fourcc("av01");
    const HeifItem* primaryItem = file->items.find(file->primaryId);
    if (av1 || !primaryItem || primaryItem->type != fourcc("grid"))
        heif_context_set_max_decoding_threads(file->context, 0);
    if (!canvasFits({*file, primary, file->primaryId}))
        invalid();

    QByteArray profile;
    switch (heif_image_handle_get_color_profile_type(primary)) {
    case heif_color_profile_type_prof:
    case heif_color_profile_type_rICC: {
        profile.resize(qsizetype(heif_image_handle_get_raw_color_profile_size(primary)));
        if (profile.isEmpty() ||
            heif_image_handle_get_raw_color_profile(primary, profile.data()).code !=
                heif_error_Ok ||
            profileSpace(profile) != ProfileSpace::Rgb)
            profile.clear();
        break;
    }
    case heif_color_profile_type_nclx: {
        heif_color_profile_nclx* nclx = nullptr;
        if (heif_image_handle_get_nclx_color_profile(primary, &nclx).code == heif_error_Ok &&
            nclx) {
            const float xy[4][2] = {{nclx->color_primary_red_x, nclx->color_primary_red_y},
                                    {nclx->color_primary_green_x, nclx->color_primary_green_y},
                                    {nclx->color_primary_blue_x, nclx->color_primary_blue_y},
                                    {nclx->color_primary_white_x, nclx->color_primary_white_y}};
            profile = nclxProfile(nclx->color_primaries, nclx->transfer_characteristics, xy);
        }
        heif_nclx_color_profile_free(nclx);
        break;
    }
    default:
        break;
    }
    size_ = QSize(heif_image_handle_get_width(primary), heif_image_handle_get_height(primary));
    profile_ = std::move(profile);
    bitDepth_ = heif_image_handle_get_luma_bits_per_pixel(primary);
    const Canvas canvas = derivedCanvas(file->bytes, file->items, file->primaryId);
    canvasPixels_ = std::max(qint64(size_.width()) * size_.height(), canvas.width * canvas.height);
    file_ = std::move(file);
}

void HeifPicture::drawPicture(QImage& canvas, const QRect& target) {
    if (target.isEmpty() || !file_ || canvas.isNull())
        return;
    heif_image_handle* primary = file_->primary.get();
    // The smallest stored thumbnail that still covers the target.
    Handle chosen;
    heif_item_id chosenId = 0;
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    if (count > 0) {
        std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
        heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
        for (const heif_item_id id : ids) {
            heif_image_handle* thumb = nullptr;
            if (heif_image_handle_get_thumbnail(primary, id, &thumb).code != heif_error_Ok ||
                !thumb)
                continue;
            Handle t{thumb};
            const int w = heif_image_handle_get_width(thumb),
                      h = heif_image_handle_get_height(thumb);
            if (w >= target.width() && h >= target.height() &&
                (!chosen || qint64(w) * h < qint64(heif_image_handle_get_width(chosen.get())) *
                                                heif_image_handle_get_height(chosen.get()))) {
                chosen = std::move(t);
                chosenId = id;
            }
        }
    }
    if (chosen) {
        try {
            lastDecoded_ = drawHandle({*file_, chosen.get(), chosenId}, canvas, target);
            return;
        } catch (const InvalidPicture&) {
            // a broken thumbnail: the picture itself still serves
        }
    }
    lastDecoded_ = drawHandle({*file_, primary, file_->primaryId}, canvas, target);
}

QImage HeifPicture::wholeImage() {
    if (!file_)
        return {};
    QImage image = decodeHandle({*file_, file_->primary.get(), file_->primaryId});
    if (image.size() != size_)
        invalid();
    colours().apply(image, profile_);
    return image;
}

QByteArray nclxProfile(int primaries, int transfer, const float (&xy)[4][2]) {
    // 1: BT.709 (sRGB's primaries), 2: unspecified.
    if (primaries == 1 || primaries == 2)
        return {};
    for (const auto& p : xy)
        if (!(p[0] > 0 && p[1] > 0 && p[0] + p[1] <= 1))
            return {};
    // XYZ of each primary at full intensity, scaled so that their sum is
    // the white point with Y = 1.
    const auto col = [&](int i, double(&v)[3]) {
        v[0] = xy[i][0] / xy[i][1];
        v[1] = 1;
        v[2] = (1 - xy[i][0] - xy[i][1]) / xy[i][1];
    };
    double r[3], g[3], b[3], w[3];
    col(0, r);
    col(1, g);
    col(2, b);
    col(3, w);
    // Solve [r g b] * s = w for the scales s (Cramer's rule).
    const auto det = [](const double(&a)[3], const double(&b)[3], const double(&c)[3]) {
        return a[0] * (b[1] * c[2] - b[2] * c[1]) - b[0] * (a[1] * c[2] - a[2] * c[1]) +
               c[0] * (a[1] * b[2] - a[2] * b[1]);
    };
    const double d = det(r, g, b);
    if (d == 0)
        return {};
    const double sr = det(w, g, b) / d, sg = det(r, w, b) / d, sb = det(r, g, w) / d;
    if (!(sr > 0 && sg > 0 && sb > 0))
        return {};
    const double xyz[3][3] = {{r[0] * sr, r[1] * sr, r[2] * sr},
                              {g[0] * sg, g[1] * sg, g[2] * sg},
                              {b[0] * sb, b[1] * sb, b[2] * sb}};
    // 8: linear; 13 (sRGB) and the BT.709 family are near 2.2; the
    // high-dynamic-range curves (16, 18) have no gamma and are shown as 2.2
    // too, as their standard-range part looks.
    const double gamma = transfer == 8 ? 1.0 : 2.2;
    return calibratedRgbProfile(xyz, {gamma, gamma, gamma});
}

} // namespace soru
