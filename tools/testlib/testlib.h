#pragma once
// Generator of picture libraries for tests, fuzzing seeds and the bundled
// demo: pictures (JPEG, every common Windows-bitmap layout), damaged files,
// memos (RTF and plain text in several encodings), chimes (WAV), hidden
// entries, and whole album folders.
//
// Every writer is deterministic and throws std::runtime_error when it cannot
// produce its file.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <span>

namespace soru::testlib {

// ---------------------------------------------------------------- pictures

enum class Scene {
    Landscape,    // sky, sun, layered mountains, meadow
    SeaSun,       // evening sky, low sun, sea with a glittering path
    Flowers,      // blossoms over a blurred (bokeh) background
    Tiles,        // geometric tiles in a harmonious palette
    Plain,        // one colour (picked by the seed)
    TestPattern,  // colour bars, grey ramp, hue ramp, fine lines
    Checkerboard, // black and white squares of size max(1, min(w, h) / 8)
};
inline constexpr Scene kAllScenes[] = {Scene::Landscape,   Scene::SeaSun, Scene::Flowers,
                                       Scene::Tiles,       Scene::Plain,  Scene::TestPattern,
                                       Scene::Checkerboard};
const char* sceneName(Scene scene);

// A w x h picture (Format_RGB32) of the scene; the same arguments always give
// the same pixels. The seed varies colours and shapes.
QImage makePicture(int w, int h, Scene scene, quint32 seed = 0);

// A landscape with sensor-like grain (every channel moved by up to +-10,
// deterministically), so that a JPEG of it has the size of a camera's.
QImage makePhotoLike(int w, int h, quint32 seed = 1);

// A PNG chunk: length, type, data and the CRC over type and data.
QByteArray pngChunk(const char (&type)[5], const QByteArray& data);
// The CRC-32 that PNG chunks carry.
quint32 pngCrc(const QByteArray& bytes);

// An animated WebP of one frame: the frame (lossless, with its alpha) at
// `at` (even coordinates) on a canvas of the given size, which may be far
// larger than the frame, up to 16384 x 16384.
QByteArray animatedWebp(QSize canvas, const QImage& frame, QPoint at);

// The colour of a Scene::Plain picture with this seed.
QRgb plainColour(quint32 seed);

// --------------------------------------------------------------------- JPEG

enum class JpegKind {
    Baseline,    // sequential, 3 components, 4:2:0
    Progressive, // jpeg_simple_progression, 3 components
    Grayscale,   // sequential, 1 component (libjpeg's Rec. 601 luma)
};
inline constexpr JpegKind kAllJpegKinds[] = {JpegKind::Baseline, JpegKind::Progressive,
                                             JpegKind::Grayscale};
const char* jpegKindName(JpegKind kind);

QByteArray encodeJpeg(const QImage& image, JpegKind kind = JpegKind::Baseline, int quality = 85);
void writeJpeg(const QString& path, const QImage& image, JpegKind kind = JpegKind::Baseline,
               int quality = 85);

// ------------------------------------------------------------------- bitmap

enum class BmpKind {
    Rgb24,        // 40-byte header, BI_RGB 24 bpp, bottom-up
    Rgb24TopDown, // as Rgb24 with a negative height
    Rgb32,        // BI_RGB 32 bpp (B, G, R, 0)
    Rgb16,        // BI_RGB 16 bpp, x-5-5-5
    Bitfields16,  // BI_BITFIELDS 16 bpp, 5-6-5 masks after the 40-byte header
    Bitfields32,  // BI_BITFIELDS 32 bpp, 00FF0000/0000FF00/000000FF masks after the header
    Pal8,         // 8 bpp, 256-entry palette (6x6x6 cube and 40 greys)
    Pal8Short,    // 8 bpp with only the 16 VGA colours as palette, biClrUsed = 16
    Pal4,         // 4 bpp, the 16 standard VGA colours
    Pal1,         // 1 bpp, black and white split at luma 128
    Rle8,         // BI_RLE8 with Pal8's palette
    Rle4,         // BI_RLE4 with Pal4's palette
    Core24,       // 12-byte BITMAPCOREHEADER, 24 bpp
    Core8,        // 12-byte BITMAPCOREHEADER, 8 bpp, 3-byte palette entries
    V4Header,     // 108-byte BITMAPV4HEADER, BI_RGB 24 bpp
    V5Header,     // 124-byte BITMAPV5HEADER, BI_BITFIELDS 32 bpp with alpha mask (opaque)
};
inline constexpr BmpKind kAllBmpKinds[] = {
    BmpKind::Rgb24,       BmpKind::Rgb24TopDown, BmpKind::Rgb32,    BmpKind::Rgb16,
    BmpKind::Bitfields16, BmpKind::Bitfields32,  BmpKind::Pal8,     BmpKind::Pal8Short,
    BmpKind::Pal4,        BmpKind::Pal1,         BmpKind::Rle8,     BmpKind::Rle4,
    BmpKind::Core24,      BmpKind::Core8,        BmpKind::V4Header, BmpKind::V5Header};
const char* bmpKindName(BmpKind kind);

QByteArray encodeBmp(const QImage& image, BmpKind kind = BmpKind::Rgb24);
void writeBmp(const QString& path, const QImage& image, BmpKind kind = BmpKind::Rgb24);

// The RLE streams alone (rows bottom-up, end-of-line after every row but the
// last, end-of-bitmap at the end), from palette indices given top-down.
// Runs longer than 255 pixels are split; absolute mode is used for three or
// more differing pixels. Rle4 also packs runs of two alternating indices.
QByteArray encodeRle8(const QList<QByteArray>& rowsOfIndices);
QByteArray encodeRle4(const QList<QByteArray>& rowsOfIndices);

// ------------------------------------------------------------ broken files

// Which reader a file is meant for: the viewer picks the bitmap reader for
// ".bmp" and the JPEG reader for every other picture extension.
enum class Reader { Jpeg, Bitmap, Sound };

enum class BrokenKind {
    JpegNotJpeg,           // text, not a JPEG at all
    JpegGarbageAfterSoi,   // FF D8, then bytes that are no marker, then the end
    JpegBogusMarkerLength, // valid file whose first DQT segment says length 1
    JpegZeroWidth,         // complete file whose frame header says width 0
    JpegTruncated,         // intact header, cut in the middle of the scan data
    JpegEmpty,             // zero bytes, named .jpg
    PngNamedJpg,           // a PNG picture named .jpg
    BmpNamedJpg,           // a valid bitmap named .jpg
    BmpEmpty,              // zero bytes, named .bmp
    BmpBadSignature,       // "BX" instead of "BM"
    BmpPlanesNotOne,       // biPlanes = 2
    BmpUnknownHeaderSize,  // biSize = 44
    BmpBadBitCount,        // biBitCount = 7
    BmpTruncatedPixels,    // file cut halfway through the pixel rows
    BmpHugeDimensions,     // 100000 x 100000 24 bpp, with 16 bytes of pixel data
    BmpRleOverrun,         // RLE8 runs that write past the row and past the last row
    JpegNamedBmp,          // a valid JPEG named .bmp
    WavNotRiff,            // text named .wav
    WavTruncated,          // data chunk claims more samples than the file holds
};

struct BrokenInfo {
    BrokenKind kind;
    const char* name;     // identifier, e.g. "jpeg-bogus-marker-length"
    const char* fileName; // suggested file name; its extension picks the reader
    Reader reader;
};
std::span<const BrokenInfo> brokenKinds();
const BrokenInfo& brokenInfo(BrokenKind kind);

QByteArray brokenBytes(BrokenKind kind);
void writeBroken(const QString& path, BrokenKind kind);

// -------------------------------------------------------------------- memos

// A formatted memo. The title becomes a bold, large, coloured first
// paragraph. Paragraphs may hold the inline tags <b>, <i>, <u> and <em>
// (coloured) with their closing tags, and tabs.
struct Memo {
    QString title;
    QStringList paragraphs;
};
Memo sampleMemo(); // Japanese text with every feature, including one \uN escape

// The RTF file: 7-bit only, {\rtf1\ansi\ansicpg932 ...}, characters
// that Shift-JIS holds written as \'hh bytes, all others as \uN? escapes.
QByteArray rtfMemoBytes(const Memo& memo);
void writeRtfMemo(const QString& path, const Memo& memo = sampleMemo());

// The text a reader should extract from rtfMemoBytes(memo): the title and
// the paragraphs with their tags removed, joined by "\n" (no trailing one).
QString rtfPlainText(const Memo& memo);

enum class TextEncoding { ShiftJis, Utf8, Utf8Bom, Utf16LeBom, Utf16BeBom };
inline constexpr TextEncoding kAllTextEncodings[] = {
    TextEncoding::ShiftJis, TextEncoding::Utf8, TextEncoding::Utf8Bom, TextEncoding::Utf16LeBom,
    TextEncoding::Utf16BeBom};
const char* textEncodingName(TextEncoding encoding);

// The text's bytes exactly as given (no line-end conversion), BOM first
// where the encoding has one. Throws when Shift-JIS cannot hold the text.
QByteArray encodeText(const QString& text, TextEncoding encoding);
void writeTextMemo(const QString& path, const QString& text, TextEncoding encoding);

// ------------------------------------------------------------------- sounds

// 16-bit mono PCM RIFF/WAVE: a chime of the given pitch with a soft attack
// and an exponential decay to silence.
QByteArray wavBytes(int milliseconds, double frequency, int sampleRate = 22050);
void writeWav(const QString& path, int milliseconds, double frequency, int sampleRate = 22050);

// --------------------------------------------------------- files, folders

void writeFile(const QString& path, const QByteArray& bytes);
// Creates the folder and its parents; returns its path.
QString makeFolder(const QString& path);
// A hidden file (the name gets a leading "." if it has none) holding a
// small valid JPEG, so a viewer that fails to skip it would show it.
QString makeHiddenFile(const QString& folder, const QString& name);
// A hidden folder holding one picture, so it would count as an album.
QString makeHiddenFolder(const QString& folder, const QString& name);

// Describes a library in a few lines:
//   LibraryBuilder lib(root);
//   lib.album("旅行").jpeg("a.jpg", 640, 480).memoRtf("a.rtf").wav("a.wav");
//   lib.album("").bmp("b.bmp", 100, 80, BmpKind::Rle8);   // the root album
// The scene of a picture follows from its file name unless given.
class AlbumBuilder {
public:
    explicit AlbumBuilder(QString folder);
    const QString& path() const { return folder_; }
    QString filePath(const QString& name) const;

    AlbumBuilder& jpeg(const QString& name, int w, int h, JpegKind kind = JpegKind::Baseline);
    AlbumBuilder& jpeg(const QString& name, const QImage& image,
                       JpegKind kind = JpegKind::Baseline);
    AlbumBuilder& bmp(const QString& name, int w, int h, BmpKind kind = BmpKind::Rgb24);
    AlbumBuilder& bmp(const QString& name, const QImage& image, BmpKind kind = BmpKind::Rgb24);
    AlbumBuilder& broken(const QString& name, BrokenKind kind);
    AlbumBuilder& memoRtf(const QString& name, const Memo& memo = sampleMemo());
    AlbumBuilder& memoText(const QString& name, const QString& text,
                           TextEncoding encoding = TextEncoding::Utf8);
    AlbumBuilder& wav(const QString& name, int milliseconds = 500, double frequency = 880.0);
    AlbumBuilder& file(const QString& name, const QByteArray& bytes);
    AlbumBuilder& hiddenFile(const QString& name);
    AlbumBuilder& hiddenFolder(const QString& name);
    // A folder inside the album, holding one picture (viewers ignore it).
    AlbumBuilder& subFolder(const QString& name);

private:
    QString folder_;
};

class LibraryBuilder {
public:
    explicit LibraryBuilder(QString root); // creates root
    const QString& root() const { return root_; }
    AlbumBuilder album(const QString& name); // "" is the root album

private:
    QString root_;
};

// Scene chosen for a file name, stable across runs.
Scene sceneForName(const QString& name);
quint32 seedForName(const QString& name);

// -------------------------------------------------------------- libraries

// The bundled demo: a few pictures in the root album, four albums with
// Japanese names, memos, chimes, one hidden file, one hidden folder and one
// folder below an album.
void writeDemoLibrary(const QString& root);

// Album names of the demo, in the order they are written.
QStringList demoAlbumNames();

// One file of every kind above, grouped into albums named after the
// constants below, for tests and for looking at by hand.
void writeFixtureLibrary(const QString& root);

inline constexpr const char* kFixtureJpegAlbum = "jpeg";
inline constexpr const char* kFixtureBmpAlbum = "bmp";
inline constexpr const char* kFixtureBrokenAlbum = "broken";
inline constexpr const char* kFixtureMemoAlbum = "memo";
inline constexpr const char* kFixtureSoundAlbum = "sound";
inline constexpr const char* kFixtureEmptyAlbum = "empty";

// Everything a viewer must survive: undecodable and awkward names, special
// files, links that lead nowhere or loop, unreadable folders, a 10,000-picture
// album, extreme sizes, every bitmap header and compression, damaged JPEGs.
// Its rows and their expected outcomes are in tools/testlib/hostile.h.
void writeHostileLibrary(const QString& root);

} // namespace soru::testlib
