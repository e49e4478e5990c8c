// Whole files of every walked family, made by the real tools (ffmpeg,
// ImageMagick, exiftool, cjpeg, JxrEncApp, flac, lame, oggenc, opusenc,
// gzip, xz, bzip2, zstd, lz4, zip, sqlite3, 7z, gcab, poppler) or written
// field by field by document_material.py, and the committed material: each
// ends exactly at its length whatever follows (expectExactEnd) and proves its
// type; some are also checked to stay open across every sector, to end after
// a second copy chained behind them, or to refuse their first bytes followed
// by random data. A row whose tool is missing is skipped with its name; a
// tool that does not make its file fails.

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

const std::string FF = "ffmpeg -nostdin -y -loglevel error ";
const std::string kAv = kClip + " " + kTone + " -shortest";
const std::string kClip25 = "-f lavfi -i testsrc=duration=1:size=64x48:rate=25";

enum Extra { kNone = 0, kOpenAcrossSectors = 1, kChained = 2, kAsfFamily = 4, kSizeInHeader = 8 };

// A file made by `command` in a shared scratch folder, written to OUT (a
// name ending in `ext`); `proven` null: not checked; `head` > 0: the first
// `head` bytes with random data behind them are refused.
struct ToolFile {
    const char* type;
    const char* tools;
    std::string command;
    const char* ext;
    const char* proven = nullptr;
    int extra = kNone;
    size_t head = 0;
};

void PrintTo(const ToolFile& f, std::ostream* os)
{
    *os << f.command;
}

std::string convertTif(const std::string& exiftool)
{
    return "convert -size 64x48 gradient: OUT && exiftool -q -overwrite_original " + exiftool + " OUT";
}

const std::string kPsd = "convert -size 64x48 gradient:red-blue ";

const ToolFile kToolFiles[] = {
    // ISO base media
    {"MP4", "ffmpeg", FF + kClip + " -f lavfi -i sine=duration=1 -shortest OUT", "mp4", "MP4", kNone, 12},
    {"MP4", "ffmpeg", FF + kClip + " -movflags faststart OUT", "mp4", "MP4", kNone, 12},
    {"MP4", "ffmpeg", FF + kClip + " -g 2 -movflags frag_keyframe+empty_moov OUT", "mp4", "MP4", kNone, 12},
    {"MOV", "ffmpeg", FF + kClip + " OUT", "mov", "MOV", kNone, 12},
    {"M4A", "ffmpeg", FF + "-f lavfi -i sine=duration=1 -c:a aac OUT", "m4a", "M4A", kNone, 12},
    {"3GP", "ffmpeg", FF + kClip + " -s 176x144 -c:v h263 OUT", "3gp", "3GP", kNone, 12},
    {"3G2", "ffmpeg", FF + kClip + " -s 176x144 -c:v h263 OUT", "3g2", "3G2", kNone, 12},
    {"F4V", "ffmpeg", FF + kClip + " OUT", "f4v", "F4V", kNone, 12},
    {"HEIC", "convert", "convert -size 64x48 gradient:red-blue OUT", "heic", "HEIC", kNone, 12},
    {"AVIF", "convert", "convert -size 64x48 gradient:red-blue OUT", "avif", "AVIF", kNone, 12},
    {"JP2", "convert", "convert -size 64x48 gradient: OUT", "jp2", "JP2", kNone, 12},
    // JPEG, PNG, MNG, GIF and BMP
    {"JPG", "convert cjpeg", "cjpeg -quality 85 -outfile OUT src.ppm", "jpg"},
    {"JPG", "convert cjpeg", "cjpeg -progressive -outfile OUT src.ppm", "jpg"},
    {"JPG", "convert cjpeg", "cjpeg -restart 1 -outfile OUT src.ppm", "jpg"},
    {"JPG", "convert cjpeg", "cjpeg -optimize -quality 60 -outfile OUT src.ppm", "jpg"},
    {"JPG", "convert cjpeg", "cjpeg -grayscale -progressive -outfile OUT src.ppm", "jpg"},
    {"JPG", "convert cjpeg", "cjpeg -arithmetic -outfile OUT src.ppm", "jpg"},
    {"JPG", "convert", "convert src.ppm -quality 92 -sampling-factor 2x1 JPG:OUT", "jpg"},
    {"JPG", "convert cjpeg exiftool",
     "cjpeg -outfile OUT src.ppm && exiftool -q -overwrite_original -Make=Test '-ThumbnailImage<=" + kMaterialDir +
         "/thumb.jpg' OUT", "jpg"},
    {"PNG", "convert", "convert src.ppm PNG:OUT", "png"},
    {"PNG", "convert", "convert src.ppm -interlace PNG PNG:OUT", "png"},
    {"PNG", "convert", "convert -size 64x48 gradient: -depth 16 PNG:OUT", "png"},
    {"PNG", "convert", "convert src.ppm -colors 16 PNG8:OUT", "png"},
    {"PNG", "convert", "convert -size 50x50 xc:red -alpha set -channel A -evaluate set 50% PNG32:OUT", "png"},
    {"PNG", "ffmpeg", FF + kClip + " -plays 0 -f apng OUT", "png"},
    {"MNG", "convert", "convert -size 60x40 -seed 6 plasma: MNG:OUT", "mng"},
    {"MNG", "convert", "convert -delay 10 -size 60x40 -seed 1 plasma: -seed 2 plasma: MNG:OUT", "mng"},
    {"GIF", "convert", "convert src.ppm -colors 32 GIF87:OUT", "gif"},
    {"GIF", "convert", "convert src.ppm GIF:OUT", "gif"},
    {"GIF", "convert", "convert src.ppm -interlace GIF GIF:OUT", "gif"},
    {"GIF", "convert", "convert src.ppm -comment 'Ostrel test' GIF:OUT", "gif"},
    {"GIF", "convert", "convert -delay 10 -size 60x40 -seed 1 plasma: -seed 2 plasma: -loop 0 GIF:OUT", "gif"},
    {"BMP", "convert", "convert src.ppm -colors 2 -type Palette BMP2:OUT", "bmp", nullptr, kSizeInHeader},
    {"BMP", "convert", "convert src.ppm -type TrueColor BMP2:OUT", "bmp", nullptr, kSizeInHeader},
    {"BMP", "convert", "convert src.ppm -colors 16 -type Palette BMP3:OUT", "bmp", nullptr, kSizeInHeader},
    {"BMP", "convert", "convert src.ppm -colors 200 -type Palette -compress RLE BMP3:OUT", "bmp", nullptr, kSizeInHeader},
    {"BMP", "convert", "convert src.ppm -type TrueColor BMP3:OUT", "bmp", nullptr, kSizeInHeader},
    {"BMP", "convert", "convert src.ppm -type Bilevel BMP:OUT", "bmp", nullptr, kSizeInHeader},
    {"BMP", "convert", "convert src.ppm -colors 200 -type Palette -compress None BMP:OUT", "bmp", nullptr, kSizeInHeader},
    {"BMP", "convert", "convert src.ppm -alpha on -type TrueColorAlpha BMP:OUT", "bmp", nullptr, kSizeInHeader},
    // TIFF and the raws and JPEG XR built on it
    {"TIF", "convert", "convert -size 64x48 gradient: OUT", "tif", "TIF"},
    {"TIF", "convert", "convert -size 64x48 gradient: -compress lzw -define tiff:endian=msb OUT", "tif", "TIF"},
    {"TIF", "convert", "convert -size 64x48 gradient: -compress zip -define tiff:tile-geometry=16x16 OUT", "tif", "TIF"},
    {"TIF", "convert", "convert -size 90x300 gradient:red-blue -depth 16 -define tiff:rows-per-strip=1 OUT", "tif", "TIF"},
    {"TIF", "convert", "convert -size 64x48 gradient: -size 40x30 gradient:red-blue OUT", "tif", "TIF"},
    {"TIF", "convert", "convert -size 64x48 gradient:red-blue -compress jpeg OUT", "tif", "TIF"},
    {"TIF", "convert", "convert -size 64x48 gradient: TIFF64:OUT", "tif", "TIF"},
    {"TIF", "convert", "convert -size 256x256 gradient: PTIF:OUT", "tif", "TIF"},
    {"DNG", "convert exiftool",
     convertTif("-Make=Canon -DNGVersion=1.4.0.0 -DateTimeOriginal='2020:01:01 10:00:00' -GPSLatitude=10 -InteropIndex=R98"),
     "tif", "DNG"},
    {"TIF", "convert exiftool", convertTif("-Make=NIKON -PhotometricInterpretation#=32803"), "tif", "NEF"},
    {"TIF", "convert exiftool", convertTif("-Make=NIKON"), "tif", "TIF"},
    {"TIF", "convert exiftool",
     convertTif("-XMP-dc:Title=walk -IPTC:Keywords=k -Artist='A photographer with a long name'"), "tif", "TIF"},
    {"JXR", "convert JxrEncApp",
     "convert -size 64x48 gradient: -type truecolor OUT.bmp && JxrEncApp -i OUT.bmp -o OUT", "jxr", "JXR"},
    // Photoshop
    {"PSD", "convert", kPsd + "OUT", "psd", "PSD", kNone, 26},
    {"PSD", "convert", kPsd + "-depth 8 -compress rle OUT", "psd", "PSD", kNone, 26},
    {"PSD", "convert", kPsd + "-depth 8 -compress none OUT", "psd", "PSD", kNone, 26},
    {"PSD", "convert", "convert -size 64x48 gradient: -colorspace gray -depth 8 OUT", "psd", "PSD", kNone, 26},
    {"PSD", "convert", kPsd + "-type palette -depth 8 OUT", "psd", "PSD", kNone, 26},
    {"PSD", "convert", kPsd + "-size 64x48 plasma:fractal -depth 8 -compress rle OUT", "psd", "PSD", kNone, 26},
    {"PSB", "convert", kPsd + "OUT", "psb", "PSB"},
    // ASF: a video stream proves WMV, audio only WMA; every ASF type ends it
    {"WMV", "ffmpeg", FF + kAv + " -c:v wmv2 -c:a wmav2 OUT", "wmv", "WMV", kAsfFamily},
    {"WMV", "ffmpeg", FF + kTone + " -c:a wmav2 OUT", "wma", "WMA", kAsfFamily},
    {"WMV", "ffmpeg", FF + kClip + " -c:v msmpeg4 OUT", "asf", "WMV", kAsfFamily},
    // Matroska
    {"MKV", "ffmpeg", FF + kAv + " -c:v mpeg4 -c:a libvorbis OUT", "mkv", "MKV"},
    {"MKV", "ffmpeg", FF + kAv + " -c:v libvpx -c:a libopus OUT", "webm", "WEBM"},
    {"MKV", "ffmpeg", FF + kTone + " -c:a flac OUT", "mka", "MKA"},
    {"MKV", "ffmpeg", FF + kClip + " -c:v mpeg4 -metadata:s:v:0 stereo_mode=left_right OUT", "mkv", "MK3D"},
    // Chunked audio and video containers
    {"FLV", "ffmpeg", FF + kAv + " -c:v flv1 -c:a libmp3lame OUT", "flv"},
    {"AIFF", "ffmpeg", FF + kTone + " OUT", "aiff", "AIFF"},
    {"AIFC", "ffmpeg", FF + kTone + " -c:a pcm_f32be OUT", "aiff", "AIFC"},
    {"CAF", "ffmpeg", FF + kTone + " OUT", "caf"},
    {"CAF", "ffmpeg", FF + kTone + " -c:a alac OUT", "caf"},
    {"AU", "ffmpeg", FF + kTone + " OUT", "au"},
    {"MXF", "ffmpeg", FF + kClip25 + " -c:v mpeg2video OUT", "mxf"},
    {"MXF", "ffmpeg", FF + kClip25 + " " + kTone + " -shortest -ar 48000 -c:a pcm_s16le -c:v mpeg2video OUT", "mxf"},
    {"RM", "ffmpeg", FF + kAv + " -c:v rv10 -ar 8000 -ac 1 -c:a real_144 OUT", "rm"},
    {"WAV", "ffmpeg", FF + kTone + " OUT", "wav", "WAV"},
    {"WAV", "ffmpeg", FF + kTone + " -rf64 always OUT", "wav", "WAV"},
    {"WAV", "ffmpeg", FF + kTone + " -ac 1 -c:a pcm_u8 -t 0.0101 OUT", "wav", "WAV"},
    {"AVI", "ffmpeg", FF + kClip + " -c:v mjpeg OUT", "avi", "AVI"},
    {"WEBP", "ffmpeg", FF + kClip + " -frames:v 1 -c:v libwebp OUT", "webp", "WEBP"},
    // MPEG transport and program streams (they prove nothing but DVD)
    {"TS", "ffmpeg", FF + kAv + " -c:v mpeg2video -c:a mp2 -f mpegts OUT", "ts", "", kOpenAcrossSectors},
    {"MTS", "ffmpeg", FF + kAv + " -c:v mpeg2video -c:a mp2 -f mpegts -mpegts_m2ts_mode 1 OUT", "m2ts", "",
     kOpenAcrossSectors},
    {"MPG", "ffmpeg", FF + kAv + " -r 25 -c:v mpeg1video -c:a mp2 -f mpeg OUT", "mpg", "", kOpenAcrossSectors},
    {"VOB", "ffmpeg", FF + kAv + " -c:v mpeg2video -c:a mp2 -f vob OUT", "vob", "", kOpenAcrossSectors},
    {"MPG", "ffmpeg", FF + kAv + " -c:v mpeg2video -c:a mp2 -f dvd OUT", "vob", "VOB", kOpenAcrossSectors},
    // Ogg, each also chained to a second link
    {"OGG", "ffmpeg", FF + kTone + " -c:a libopus OUT", "opus", "OPUS", kChained},
    {"OGG", "ffmpeg", FF + kTone + " -c:a libvorbis OUT", "ogg", "OGG", kChained},
    {"OGG", "ffmpeg", FF + kTone + " -ar 16000 -c:a libspeex OUT", "spx", "SPX", kChained},
    {"OGG", "ffmpeg", FF + kTone + " -c:a flac OUT", "oga", "OGA", kChained},
    {"OGG", "ffmpeg", FF + kClip + " " + kTone + " -c:v libtheora -c:a libvorbis OUT", "ogv", "OGV", kChained},
    {"OPUS", "ffmpeg oggenc", "oggenc --quiet tone.wav -o OUT", "ogg", "OGG"},
    {"OPUS", "ffmpeg opusenc", "opusenc --quiet tone.wav OUT", "opus", "OPUS"},
    // FLAC: block sizes, bit depths, mono, a picture block
    {"FLAC", "ffmpeg convert flac", "flac -s --best t16.wav -o OUT", "flac"},
    {"FLAC", "ffmpeg convert flac", "flac -s -0 -b 1152 t16.wav -o OUT", "flac"},
    {"FLAC", "ffmpeg convert flac", "flac -s -5 t24.wav -o OUT", "flac"},
    {"FLAC", "ffmpeg convert flac", "flac -s -8 -b 192 m8.wav -o OUT", "flac"},
    {"FLAC", "ffmpeg convert flac", "flac -s --picture=p.png --tag=TITLE=Tone t16.wav -o OUT", "flac"},
    {"FLAC", "ffmpeg convert", FF + "-i t16.wav -c:a flac OUT", "flac"},
    {"FLAC", "ffmpeg convert", FF + "-i t24.wav -c:a flac -compression_level 12 OUT", "flac"},
    // MP3 (CBR, VBR, mono MPEG-2, with and without ID3v2, with ID3v1), MP2, ADTS
    {"MP3", "ffmpeg", FF + "-i tone.wav -c:a libmp3lame -b:a 64k OUT", "mp3", nullptr, kOpenAcrossSectors},
    {"MP3", "ffmpeg", FF + "-i tone.wav -c:a libmp3lame -b:a 96k -id3v2_version 0 -write_xing 0 OUT", "mp3", nullptr,
     kOpenAcrossSectors},
    {"MP3", "ffmpeg", FF + "-i tone.wav -c:a libmp3lame -q:a 4 -write_id3v1 1 -metadata title=T OUT", "mp3", nullptr,
     kOpenAcrossSectors},
    {"MP3", "ffmpeg", FF + "-i tone.wav -c:a libmp3lame -ar 22050 -ac 1 -id3v2_version 0 OUT", "mp3", nullptr,
     kOpenAcrossSectors},
    {"MP3", "ffmpeg", FF + "-i tone.wav -c:a mp2 -f mp2 OUT", "mp3", nullptr, kOpenAcrossSectors},
    {"MP3", "ffmpeg lame", "lame --quiet -V 5 --tt Tone --ty 2024 tone.wav OUT", "mp3", nullptr, kOpenAcrossSectors},
    {"MP3", "ffmpeg lame", "lame --quiet -b 128 --id3v1-only --tt Tone tone.wav OUT", "mp3", nullptr, kOpenAcrossSectors},
    {"AAC", "ffmpeg", FF + "-i tone.wav -c:a aac -b:a 96k -f adts OUT", "aac", nullptr, kOpenAcrossSectors},
    // Compressed streams: default and extreme settings, concatenated members
    {"GZ", "gzip", "gzip -c in.bin > OUT", "gz"},
    {"GZ", "gzip", "gzip -9 -n -c in.bin > OUT", "gz"},
    {"GZ", "gzip", "gzip -c in.bin > OUT.a && gzip -1 -c in.bin > OUT.b && cat OUT.a OUT.b > OUT", "gz"},
    {"XZ", "xz", "xz -T1 -c in.bin > OUT", "xz"},
    {"XZ", "xz", "xz -T2 --block-size=20000 --check=sha256 -c in.bin > OUT", "xz"},
    {"XZ", "xz", "xz -e --check=none -c in.bin > OUT.a && xz -0 -c in.bin > OUT.b && cat OUT.a OUT.b > OUT", "xz"},
    {"BZ2", "bzip2", "bzip2 -c in.bin > OUT", "bz2"},
    {"BZ2", "bzip2", "bzip2 -1 -c in.bin > OUT", "bz2"},
    {"BZ2", "bzip2", "bzip2 -c in.bin > OUT.a && bzip2 -9 -c in.bin > OUT.b && cat OUT.a OUT.b > OUT", "bz2"},
    {"ZST", "zstd", "zstd -q -c in.bin > OUT", "zst"},
    {"ZST", "zstd", "zstd -q -19 --no-check -c in.bin > OUT", "zst"},
    {"ZST", "zstd", "zstd -q -c in.bin > OUT.a && zstd -q -1 -c in.bin > OUT.b && cat OUT.a OUT.b > OUT", "zst"},
    {"LZ4", "lz4", "lz4 -q -c in.bin > OUT", "lz4"},
    {"LZ4", "lz4", "lz4 -q -BD -BX --content-size -c in.bin > OUT", "lz4"},
    {"LZ4", "lz4", "lz4 -q -c in.bin > OUT.a && lz4 -q -9 -B4 -c in.bin > OUT.b && cat OUT.a OUT.b > OUT", "lz4"},
    // Archives and databases that state their length
    {"SQLITE", "sqlite3",
     "sqlite3 OUT 'create table t(a,b); insert into t select value, hex(randomblob(50)) from "
     "generate_series(1,300); create index i on t(b);'",
     "db"},
    {"SQLITE", "sqlite3", "sqlite3 OUT 'pragma page_size=65536; create table t(a); insert into t values(1)'", "db"},
    {"7Z", "7z", "7z a -bd OUT n.txt photo.jpg", "7z"},
    {"7Z", "7z", "7z a -bd -mx0 -mhc=off OUT n.txt photo.jpg", "7z"},
    {"CAB", "gcab", "gcab -c OUT n.txt photo.jpg", "cab"},
    {"CAB", "gcab", "gcab -c -z OUT n.txt photo.jpg", "cab"},
    // Info-ZIP: stored, deflated, to and from a pipe (data descriptors, ZIP64), commented
    {"ZIP", "zip", "zip -q OUT n.txt photo.jpg doc.pdf", "zip"},
    {"ZIP", "zip", "zip -q -0 OUT n.txt photo.jpg", "zip"},
    {"ZIP", "zip", "zip -q - n.txt photo.jpg doc.pdf > OUT", "zip"},
    {"ZIP", "zip", "zip -q -0 - n.txt photo.jpg > OUT", "zip"},
    {"ZIP", "zip", "cat n.txt | zip -q - - > OUT", "zip"},
    {"ZIP", "zip", "zip -q OUT n.txt && echo 'a comment' | zip -q -z OUT", "zip"},
    // PDF and PostScript from poppler
    {"PDF", "pdftocairo", "pdftocairo -pdf doc.pdf OUT", "pdf"},
    {"PS", "pdftocairo", "pdftocairo -ps doc.pdf OUT", "ps"},
    {"EPS", "pdftocairo", "pdftocairo -eps doc.pdf OUT", "eps"},
    {"PS", "pdftops", "pdftops doc.pdf OUT", "ps"},
};

// The inputs the commands read, each made the first time a command names it.
const std::pair<const char*, std::string> kInputs[] = {
    {"in.bin", "seq 1 20000 > in.bin && cat " + kMaterialDir + "/photo.jpg >> in.bin && seq 5 9000 >> in.bin"},
    {"n.txt", "seq 1 5000 > n.txt"},
    {"photo.jpg", "cp " + kMaterialDir + "/photo.jpg ."},
    {"doc.pdf", "cp " + kMaterialDir + "/doc.pdf ."},
    {"tone.wav", FF + kTone + " -ac 2 tone.wav"},
    {"t16.wav", FF + "-f lavfi -i 'sine=frequency=440:duration=2,aeval=val(0)*0.7+random(0)*0.01' -ac 2 t16.wav"},
    {"m8.wav", FF + "-f lavfi -i 'sine=frequency=440:duration=2,aeval=val(0)*0.7+random(0)*0.01' -ac 1 -ar 8000 m8.wav"},
    {"t24.wav", FF + "-f lavfi -i 'sine=frequency=440:duration=2,aeval=val(0)*0.7+random(0)*0.01' -ac 2 "
                     "-c:a pcm_s24le t24.wav"},
    {"p.png", "convert -size 32x32 xc:red p.png"},
    {"src.ppm", "convert -size 200x150 -seed 3 plasma: src.ppm"},
};

class ToolFiles : public ::testing::TestWithParam<ToolFile> {
protected:
    void SetUp() override
    {
        const ToolFile& f = GetParam();
        const std::string missing = missingTool(f.tools);
        if (!missing.empty())
            GTEST_SKIP() << missing << " is not installed";
        for (const auto& [name, make] : kInputs) {
            if (f.command.find(name) != std::string::npos && !std::filesystem::exists(dir_.file(name))) {
                ASSERT_TRUE(run("cd '" + dir_.path().string() + "' && " + make)) << make;
            }
        }
        std::string command = f.command;
        const std::string out = "out." + std::string(f.ext);
        for (size_t at; (at = command.find("OUT")) != std::string::npos;)
            command.replace(at, 3, out);
        file_ = shellMake(dir_, out, command);
        ASSERT_GT(file_.size(), 100u) << "not made: " << command;
    }
    ScratchDir dir_;
    Bytes file_;
};

TEST_P(ToolFiles, EndExactlyAndProveTheirType)
{
    const ToolFile& f = GetParam();
    expectExactEnd(f.type, file_, f.command, f.extra & kSizeInHeader);
    if (f.proven) {
        EXPECT_EQ(provenType(f.type, file_), f.proven);
    }
    if (f.extra & kOpenAcrossSectors)
        expectOpenAcrossSectors(f.type, file_);
    if (f.extra & kChained)
        expectExactEnd(f.type, concat(file_, file_), "chained");
    if (f.head > 0) {
        EXPECT_EQ(walk(f.type, concat(Bytes(file_.begin(), file_.begin() + static_cast<long>(f.head)),
                                      randomBytes(8192, 3))).state, State::NotFormat) << "its head with random data";
    }
    for (const char* type : {"WMA", "ASF"}) {
        if (f.extra & kAsfFamily)
            expectExactEnd(type, file_, f.command);
    }
}

std::string rowName(const ::testing::TestParamInfo<ToolFile>& info)
{
    return std::string(info.param.type) + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Made, ToolFiles, ::testing::ValuesIn(kToolFiles), rowName);

// Files written by document_material.py (no installed tool writes them), and
// the committed material ("material/...").
struct WrittenFile {
    const char* type;
    const char* name;
    const char* proven = nullptr;
};

const WrittenFile kWrittenFiles[] = {
    {"PDF", "crlf.pdf"}, {"PDF", "linearized.pdf"}, {"PDF", "incremental.pdf"}, {"PDF", "prefixed.pdf"},
    {"PDF", "image.pdf"}, {"PDF", "indirect.pdf"}, {"PDF", "material/doc.pdf"},
    {"RAR", "five.rar"}, {"RAR", "four.rar"},
    {"RTF", "plain.rtf"}, {"RTF", "crlf.rtf"}, {"RTF", "picture.rtf"},
    {"DOC", "word.doc", "DOC"}, {"DOC", "book.xls", "XLS"}, {"DOC", "slides.ppt", "PPT"}, {"DOC", "mail.msg", "MSG"},
    {"DOC", "big-sectors.doc", "DOC"}, {"DOC", "difat.xls", "XLS"},
    {"ZIP", "zip64.zip", "ZIP"}, {"ZIP", "stream.zip", "ZIP"}, {"ZIP", "stream64.zip", "ZIP"},
    {"ZIP", "embedded.zip", "ZIP"}, {"ZIP", "skeleton.docx", "DOCX"}, {"ZIP", "skeleton.xlsx", "XLSX"},
    {"ZIP", "skeleton.pptx", "PPTX"}, {"ZIP", "skeleton.odt", "ODT"}, {"ZIP", "skeleton.ods", "ODS"},
    {"ZIP", "skeleton.odp", "ODP"}, {"ZIP", "skeleton.odg", "ODG"}, {"ZIP", "skeleton.epub", "EPUB"},
    {"ZIP", "skeleton.jar", "JAR"}, {"ZIP", "material/letter.docx", "DOCX"}, {"ZIP", "material/notes.zip", "ZIP"},
    {"VCF", "cards.vcf"}, {"ICS", "event.ics"}, {"HTML", "page.html"}, {"XML", "utf8.xml"}, {"XML", "utf16.xml"},
    {"EML", "mail.eml"},
    {"EPS", "dos.eps"}, {"PST", "unicode.pst"}, {"PST", "ansi.pst"}, {"MOBI", "book.mobi"},
    {"JPG", "material/photo.jpg"}, {"JPG", "material/thumb.jpg"}, {"PNG", "material/photo.png"},
    {"GIF", "material/animation.gif"},
};

void PrintTo(const WrittenFile& f, std::ostream* os)
{
    *os << f.name;
}

class WrittenFiles : public ::testing::TestWithParam<WrittenFile> {};

TEST_P(WrittenFiles, EndExactlyAndProveTheirType)
{
    const WrittenFile& f = GetParam();
    const std::string name = f.name;
    std::string path;
    if (name.rfind("material/", 0) == 0) {
        path = kMaterialDir + name.substr(8);
    } else {
        const std::string dir = documentMaterial();
        if (dir.empty())
            GTEST_SKIP() << "python3 could not write the material";
        path = dir + "/" + name;
    }
    const Bytes file = readFile(path);
    expectExactEnd(f.type, file, name);
    if (f.proven) {
        EXPECT_EQ(provenType(f.type, concat(file, Bytes(512, 0))), f.proven);
    }
}

INSTANTIATE_TEST_SUITE_P(Written, WrittenFiles, ::testing::ValuesIn(kWrittenFiles),
                         [](const ::testing::TestParamInfo<WrittenFile>& info) {
                             return std::string(info.param.type) + "_" + std::to_string(info.index);
                         });

} // namespace
