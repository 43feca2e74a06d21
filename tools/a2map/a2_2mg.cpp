// 2MG files: a 64-byte header, then the disk as a DOS 3.3-order or
// ProDOS-order sector image, or as NIB nibbles; a comment and creator data
// may follow.
#include <cstring>

#include "a2_container.h"
#include "byteorder.h"

namespace {

constexpr size_t TwoImg_Signature = 0x00;      // (4 bytes) "2IMG"
constexpr size_t TwoImg_HeaderSize = 0x08;     // (WORD) 64
constexpr size_t TwoImg_Version = 0x0A;        // (WORD) 1
constexpr size_t TwoImg_Format = 0x0C;         // (DWORD) 0 DOS 3.3 order, 1 ProDOS order, 2 NIB
constexpr size_t TwoImg_Blocks = 0x14;         // (DWORD) 512-byte blocks of a ProDOS-order disk
constexpr size_t TwoImg_DataOffset = 0x18;     // (DWORD)
constexpr size_t TwoImg_DataLength = 0x1C;     // (DWORD)
constexpr size_t TwoImg_CommentOffset = 0x20;  // (DWORD)
constexpr size_t TwoImg_CommentLength = 0x24;  // (DWORD)
constexpr size_t TwoImg_CreatorOffset = 0x28;  // (DWORD)
constexpr size_t TwoImg_CreatorLength = 0x2C;  // (DWORD)
constexpr size_t TwoImg_HeaderBytes = 0x40;
constexpr size_t TwoImg_RecognisedBytes = TwoImg_Format + 4;

constexpr uint32_t kFormatProdos = 1;
constexpr uint32_t kFormatNib = 2;
constexpr uint32_t kBlockBytes = 512;
constexpr uint32_t kSectorBytes = 256;

using ull = unsigned long long;

// A region the header names must lie inside the file (an empty one is
// named by nothing).
bool region_fits(const char* name, const char* what, uint64_t offset, uint64_t length, size_t file_size)
{
    if (length == 0 || offset + length <= file_size) return true;
    a2_container_damaged(name, "%s of %llu bytes at offset %llu runs past the end of the file (%llu bytes)", what,
                         static_cast<ull>(length), static_cast<ull>(offset), static_cast<ull>(file_size));
    return false;
}

}  // namespace

bool a2_2mg_recognised(std::span<const uint8_t> head)
{
    return head.size() >= TwoImg_RecognisedBytes && std::memcmp(head.data() + TwoImg_Signature, "2IMG", 4) == 0 &&
           get_le16(head.data() + TwoImg_HeaderSize) == TwoImg_HeaderBytes &&
           get_le16(head.data() + TwoImg_Version) <= 1 && get_le32(head.data() + TwoImg_Format) <= kFormatNib;
}

int a2_2mg_decode(A2SectorRun& run, const char* name, std::span<const uint8_t> file, uint32_t tracks)
{
    if (file.size() < TwoImg_HeaderBytes) {
        a2_container_damaged(name, "header cut short at %llu of %llu bytes", static_cast<ull>(file.size()),
                             static_cast<ull>(TwoImg_HeaderBytes));
        return -1;
    }
    const uint8_t* h = file.data();
    const uint32_t format = get_le32(h + TwoImg_Format);
    const uint32_t blocks = get_le32(h + TwoImg_Blocks);
    const uint32_t offset = get_le32(h + TwoImg_DataOffset);
    uint64_t length = get_le32(h + TwoImg_DataLength);
    // Some writers leave the data length of a ProDOS-order disk 0 and give
    // only its blocks.
    if (format == kFormatProdos && length == 0) length = uint64_t{blocks} * kBlockBytes;
    if (offset < TwoImg_HeaderBytes) {
        a2_container_damaged(name, "data offset %u lies inside the %llu-byte header", offset,
                             static_cast<ull>(TwoImg_HeaderBytes));
        return -1;
    }
    if (!region_fits(name, "data", offset, length, file.size()) ||
        !region_fits(name, "comment", get_le32(h + TwoImg_CommentOffset), get_le32(h + TwoImg_CommentLength),
                     file.size()) ||
        !region_fits(name, "creator data", get_le32(h + TwoImg_CreatorOffset), get_le32(h + TwoImg_CreatorLength),
                     file.size()))
        return -1;
    const std::span<const uint8_t> data = file.subspan(offset, static_cast<size_t>(length));
    if (format == kFormatNib) return a2_nib_decode(run, name, data, tracks);
    if (length == 0) {
        a2_container_damaged(name, "holds no data");
        return -1;
    }
    if (length % kSectorBytes != 0) {
        a2_container_damaged(name, "%llu bytes of data are no whole number of %u-byte sectors",
                             static_cast<ull>(length), kSectorBytes);
        return -1;
    }
    if (format == kFormatProdos && blocks != 0 && uint64_t{blocks} * kBlockBytes != length) {
        a2_container_damaged(name, "%u blocks of %u bytes do not make the %llu bytes of data", blocks, kBlockBytes,
                             static_cast<ull>(length));
        return -1;
    }
    run.image.assign(data.begin(), data.end());
    run.order = format == kFormatProdos ? 2 : 1;
    return 0;
}
