#include "PcfFont.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <zlib.h>

namespace quarn::fontgen {
namespace {

constexpr std::uint32_t kAccelerators = 1u << 1;
constexpr std::uint32_t kMetrics = 1u << 2;
constexpr std::uint32_t kBitmaps = 1u << 3;
constexpr std::uint32_t kEncodings = 1u << 5;
constexpr std::uint32_t kBdfAccelerators = 1u << 8;
constexpr std::uint32_t kCompressedMetrics = 0x100;

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& file) {
    gzFile input = gzopen(file.c_str(), "rb"); // reads plain files as they are
    if (input == nullptr) {
        throw std::runtime_error("cannot open " + file.string());
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    int got = 0;
    while ((got = gzread(input, buffer, sizeof buffer)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    gzclose(input);
    if (got < 0) {
        throw std::runtime_error("cannot read " + file.string());
    }
    return bytes;
}

class Reader {
public:
    Reader(const std::vector<std::uint8_t>& bytes, const std::string& name) : bytes_(bytes), name_(name) {}

    void Seek(std::size_t offset) { position_ = offset; }
    void SetBigEndian(bool big) { bigEndian_ = big; }
    std::uint32_t Lsb32() {
        Need(4);
        const std::uint8_t* p = &bytes_[position_];
        position_ += 4;
        return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
    }
    std::int32_t Int32() {
        Need(4);
        const std::uint8_t* p = &bytes_[position_];
        position_ += 4;
        const std::uint32_t v = bigEndian_ ? (std::uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]
                                           : p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
        return static_cast<std::int32_t>(v);
    }
    std::int16_t Int16() {
        Need(2);
        const std::uint8_t* p = &bytes_[position_];
        position_ += 2;
        return static_cast<std::int16_t>(bigEndian_ ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8));
    }
    std::uint8_t Byte() {
        Need(1);
        return bytes_[position_++];
    }
    const std::uint8_t* At(std::size_t offset, std::size_t length) const {
        if (offset + length > bytes_.size()) {
            throw std::runtime_error(name_ + ": truncated PCF data");
        }
        return &bytes_[offset];
    }
    std::size_t Position() const { return position_; }

private:
    void Need(std::size_t length) const {
        if (position_ + length > bytes_.size()) {
            throw std::runtime_error(name_ + ": truncated PCF data");
        }
    }

    const std::vector<std::uint8_t>& bytes_;
    std::string name_;
    std::size_t position_ = 0;
    bool bigEndian_ = false;
};

struct Table {
    std::uint32_t format = 0;
    std::uint32_t offset = 0;
};

struct Metric {
    int left, right, advance, ascent, descent;
};

std::uint32_t BeginTable(Reader& reader, const Table& table) {
    reader.Seek(table.offset);
    const std::uint32_t format = reader.Lsb32();
    reader.SetBigEndian((format & 4) != 0);
    return format;
}

std::vector<Metric> ReadMetrics(Reader& reader, const Table& table) {
    const std::uint32_t format = BeginTable(reader, table);
    std::vector<Metric> metrics;
    if ((format & 0xFFFFFF00) == kCompressedMetrics) {
        const int count = static_cast<std::uint16_t>(reader.Int16());
        for (int i = 0; i < count; ++i) {
            Metric m{};
            m.left = reader.Byte() - 0x80;
            m.right = reader.Byte() - 0x80;
            m.advance = reader.Byte() - 0x80;
            m.ascent = reader.Byte() - 0x80;
            m.descent = reader.Byte() - 0x80;
            metrics.push_back(m);
        }
    } else {
        const int count = reader.Int32();
        for (int i = 0; i < count; ++i) {
            Metric m{};
            m.left = reader.Int16();
            m.right = reader.Int16();
            m.advance = reader.Int16();
            m.ascent = reader.Int16();
            m.descent = reader.Int16();
            reader.Int16(); // attributes
            metrics.push_back(m);
        }
    }
    return metrics;
}

} // namespace

PcfFont ReadPcfFont(const std::filesystem::path& file) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(file);
    Reader reader(bytes, file.string());
    if (reader.Lsb32() != 0x70636601) { // "\1fcp"
        throw std::runtime_error(file.string() + " is no PCF font");
    }
    std::map<std::uint32_t, Table> tables;
    const std::uint32_t count = reader.Lsb32();
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t type = reader.Lsb32();
        Table table;
        table.format = reader.Lsb32();
        reader.Lsb32(); // size
        table.offset = reader.Lsb32();
        tables[type] = table;
    }
    for (const std::uint32_t needed : {kMetrics, kBitmaps, kEncodings}) {
        if (!tables.contains(needed)) {
            throw std::runtime_error(file.string() + ": PCF table missing");
        }
    }

    PcfFont font;
    {
        const std::uint32_t accelerators =
            tables.contains(kBdfAccelerators) ? kBdfAccelerators : kAccelerators;
        if (!tables.contains(accelerators)) {
            throw std::runtime_error(file.string() + ": PCF accelerator table missing");
        }
        BeginTable(reader, tables[accelerators]);
        reader.Seek(reader.Position() + 8); // seven flags and a pad byte
        font.ascent = reader.Int32();
        font.descent = reader.Int32();
    }

    const std::vector<Metric> metrics = ReadMetrics(reader, tables[kMetrics]);

    const std::uint32_t bitmapFormat = BeginTable(reader, tables[kBitmaps]);
    const int glyphCount = reader.Int32();
    if (glyphCount != static_cast<int>(metrics.size())) {
        throw std::runtime_error(file.string() + ": glyph counts differ");
    }
    std::vector<std::int32_t> offsets(glyphCount);
    for (auto& offset : offsets) {
        offset = reader.Int32();
    }
    std::int32_t sizes[4];
    for (auto& size : sizes) {
        size = reader.Int32();
    }
    const std::size_t bitmapStart = reader.Position();
    const int pad = 1 << (bitmapFormat & 3);
    const bool msbBitFirst = (bitmapFormat & 8) != 0;
    const int scanUnit = 1 << ((bitmapFormat >> 4) & 3);
    const bool msbByteFirst = (bitmapFormat & 4) != 0;
    if (scanUnit != 1 && msbByteFirst != msbBitFirst) {
        throw std::runtime_error(file.string() + ": unsupported PCF bitmap layout");
    }

    std::vector<PcfGlyph> glyphs(glyphCount);
    for (int index = 0; index < glyphCount; ++index) {
        const Metric& m = metrics[index];
        PcfGlyph& glyph = glyphs[index];
        glyph.left = m.left;
        glyph.right = m.right;
        glyph.ascent = m.ascent;
        glyph.descent = m.descent;
        glyph.advance = m.advance;
        const int width = std::max(0, m.right - m.left);
        const int height = std::max(0, m.ascent + m.descent);
        const int stride = ((width + 7) / 8 + pad - 1) / pad * pad;
        const std::uint8_t* data = reader.At(bitmapStart + offsets[index], std::size_t(stride) * height);
        glyph.rows.assign(height, std::vector<bool>(width, false));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::uint8_t byte = data[y * stride + x / 8];
                const int bit = msbBitFirst ? 7 - x % 8 : x % 8;
                glyph.rows[y][x] = ((byte >> bit) & 1) != 0;
            }
        }
    }

    const std::uint32_t encodingFormat = BeginTable(reader, tables[kEncodings]);
    (void)encodingFormat;
    const int minByte2 = reader.Int16();
    const int maxByte2 = reader.Int16();
    const int minByte1 = reader.Int16();
    const int maxByte1 = reader.Int16();
    reader.Int16(); // default character
    for (int byte1 = minByte1; byte1 <= maxByte1; ++byte1) {
        for (int byte2 = minByte2; byte2 <= maxByte2; ++byte2) {
            const int index = static_cast<std::uint16_t>(reader.Int16());
            if (index != 0xFFFF && index < glyphCount) {
                font.glyphs[(std::uint32_t(byte1) << 8) | std::uint32_t(byte2)] = glyphs[index];
            }
        }
    }
    return font;
}

} // namespace quarn::fontgen
