// vorna2map on disks in containers: every 2MG, NIB and WOZ form of the two
// sample disks draws the picture of their DSK forms, and damaged containers
// end the run with their fault line, unless the damage lies where nothing
// is read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "bitmap.h"
#include "byteorder.h"
#include "sample_a2.h"
#include "sample_a2_containers.h"
#include "tool_run.h"

namespace {

using Bytes = std::vector<uint8_t>;
using sample::A2Damage;
using sample::A2SectorDamage;
using vorn_test::read_file;
using vorn_test::write_file;

const Bytes& program_disk()
{
    static const Bytes b = sample::a2_program_disk(false);
    return b;
}

const Bytes& map_disk()
{
    static const Bytes b = sample::a2_morvane_disk(false);
    return b;
}

Bytes cut(Bytes b, size_t size)
{
    b.resize(size);
    return b;
}

Bytes with8(Bytes b, size_t at, uint8_t v)
{
    b[at] = v;
    return b;
}

Bytes with32(Bytes b, size_t at, uint32_t v)
{
    put_le32(b.data() + at, v);
    return b;
}

// A WOZ file without its CRC (0: none), so that edits are not caught by it.
Bytes no_crc(const Bytes& woz)
{
    return with32(woz, sample::kA2WozCrcOffset, 0);
}

// A WOZ file with a chunk of the given size appended, which the decoder skips.
Bytes with_chunk(Bytes woz, size_t size)
{
    const Bytes header = {'J', 'U', 'N', 'K', static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                          static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
    woz.insert(woz.end(), header.begin(), header.end());
    woz.resize(woz.size() + size, 0xE5);
    return woz;
}

// A damage of one sector: kind, track, DOS 3.3 logical sector.
A2SectorDamage at(A2Damage kind, uint32_t track, uint32_t sector)
{
    return {kind, track, sector};
}

class A2Containers : public testing::Test {
protected:
    vorn_test::TempDir dir;

    void SetUp() override
    {
        write_file(dir / "VORNboot.dsk", program_disk());
        write_file(dir / "vornmorvane.dsk", map_disk());
        write_file(dir / "vornmorvane.po", sample::a2_prodos_order(map_disk()));
        // One pixel per tile, tile n drawn in colour n.
        Bitmap sheet;
        sheet.width = sheet.height = 16;
        sheet.bits_per_pixel = 8;
        sheet.size = 256;
        sheet.pixels.resize(256);
        for (uint32_t n = 0; n < 256; ++n) sheet.pixels[n] = static_cast<uint8_t>(n);
        static const Bytes palette(1024, 0x40);
        sheet.palette = palette;
        ASSERT_EQ(write_bitmap_file((dir / "sheet.bmp").string().c_str(), sheet, 1), 0);
    }

    vorn_test::RunResult run(std::vector<std::string> args)
    {
        args.insert(args.end(), {"-o", "out.bmp", "--overwrite"});
        return vorn_test::run_tool("vorna2map", args, dir.path());
    }

    // The picture drawn from the DSK forms: with the disk's shapes, or with
    // the sheet (map disk only).
    Bytes reference(bool shapes)
    {
        std::vector<std::string> args = {"-d2", "vornmorvane.dsk", "-o", "reference.bmp", "--overwrite"};
        if (!shapes) args.insert(args.end(), {"-s", "sheet.bmp"});
        EXPECT_EQ(vorn_test::run_tool("vorna2map", args, dir.path()).status, 0);
        return read_file(dir / "reference.bmp");
    }

    struct Damaged {
        const char* what;
        bool program;  // on the program disk (else the map disk, drawn with the sheet)
        Bytes bytes;
        std::string out;  // empty: the run goes on and draws the sound disk's picture
    };

    // Runs each case with the image named p.EXT (program disk) or d.EXT (map disk).
    void check(const std::string& ext, const std::vector<Damaged>& cases)
    {
        const Bytes with_shapes = reference(true);
        const Bytes with_sheet = reference(false);
        for (const Damaged& c : cases) {
            const std::string name = (c.program ? "p" : "d") + ext;
            write_file(dir / name, c.bytes);
            std::filesystem::remove(dir / "out.bmp");
            const auto r = c.program ? run({"-d1", name}) : run({"-s", "sheet.bmp", "-d2", name});
            EXPECT_EQ(r.out, c.out) << c.what;
            EXPECT_EQ(r.status, c.out.empty() ? 0 : 1) << c.what;
            if (c.out.empty())
                EXPECT_TRUE(read_file(dir / "out.bmp") == (c.program ? with_shapes : with_sheet)) << c.what;
            else
                EXPECT_FALSE(std::filesystem::exists(dir / "out.bmp")) << c.what;
        }
    }
};

// The lines that follow a fault on the map disk and on the program disk.
std::string map_fails(const std::string& name, const std::string& line)
{
    return line + "\nerror: read image file '" + name + "'\n";
}

std::string open_fails(const std::string& name, const std::string& line)
{
    return line + "\nerror: read disk image '" + name + "'\nerror: read shapes from disk image\n";
}

TEST_F(A2Containers, EveryFormOfBothDisksDrawsThePictureOfTheDskForms)
{
    const Bytes expected = reference(true);
    using Make = std::function<Bytes(const Bytes&)>;
    const std::pair<const char*, Make> forms[] = {
        {"dos.2mg", [](const Bytes& d) { return sample::a2_2mg(d, sample::kA2TwoImgDos); }},
        {"prodos.2mg", [](const Bytes& d) { return sample::a2_2mg(d, sample::kA2TwoImgProdos); }},
        {"nib.2mg", [](const Bytes& d) { return sample::a2_2mg(d, sample::kA2TwoImgNib); }},
        {"disk.nib", [](const Bytes& d) { return sample::a2_nib(d); }},
        {"woz1.woz", [](const Bytes& d) { return sample::a2_woz(d, 1); }},
        {"info2.woz", [](const Bytes& d) { return sample::a2_woz(d, 2, 2); }},
        {"info3.woz", [](const Bytes& d) { return sample::a2_woz(d, 2, 3); }},
    };
    for (const auto& [name, make] : forms) {
        write_file(dir / (std::string("p-") + name), make(program_disk()));
        write_file(dir / (std::string("m-") + name), make(map_disk()));
        // The container gives the sector order: --po changes nothing.
        for (const char* order : {"--do", "--po"}) {
            const auto r = run({order, "-d1", std::string("p-") + name, "-d2", std::string("m-") + name});
            EXPECT_EQ(r.status, 0) << name << order;
            EXPECT_EQ(r.out, "") << name << order;
            EXPECT_TRUE(read_file(dir / "out.bmp") == expected) << name << order;
        }
    }
    // --po still applies to a plain image beside a container.
    const auto r = run({"--po", "-d1", "p-info2.woz", "-d2", "vornmorvane.po"});
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(read_file(dir / "out.bmp") == expected);
}

TEST_F(A2Containers, DamagedTwoImg)
{
    const Bytes d = sample::a2_2mg(map_disk(), sample::kA2TwoImgDos);  // 143,440 bytes with a comment of 16
    const Bytes p = sample::a2_2mg(program_disk(), sample::kA2TwoImgDos);
    const Bytes ten_tracks(map_disk().begin(), map_disk().begin() + 10 * 4096);
    // A plain image that happens to begin with the signature, without a 2MG header after it.
    Bytes signed_plain = program_disk();
    std::memcpy(signed_plain.data(), "2IMG", 4);
    auto dm = [](const std::string& what) { return map_fails("d.2mg", "damaged image 'd.2mg': " + what); };
    check(".2mg",
          {
              {"cut short", false, cut(d, 100000),
               dm("data of 143360 bytes at offset 64 runs past the end of the file (100000 bytes)")},
              {"header cut short", false, cut(d, 40), dm("header cut short at 40 of 64 bytes")},
              {"data inside the header", false, with32(d, 24, 16),
               dm("data offset 16 lies inside the 64-byte header")},
              {"comment outside the file", false, with32(d, 32, 0xFFFFFFF0),
               dm("comment of 16 bytes at offset 4294967280 runs past the end of the file (143440 bytes)")},
              {"no data", false, with32(d, 28, 0), dm("holds no data")},
              {"part of a sector", false, with32(d, 28, 143000),
               dm("143000 bytes of data are no whole number of 256-byte sectors")},
              {"blocks that do not make the data", false,
               with32(sample::a2_2mg(map_disk(), sample::kA2TwoImgProdos), 20, 200),
               dm("200 blocks of 512 bytes do not make the 143360 bytes of data")},
              {"nibbles of a track too few", false,
               with32(sample::a2_2mg(map_disk(), sample::kA2TwoImgNib), 28, 232960 - 6656),
               dm("226304 bytes of nibbles, not 35 tracks of 6656")},
              {"ten tracks", false, sample::a2_2mg(ten_tracks, sample::kA2TwoImgDos),
               map_fails("d.2mg", "error: read 'd.2mg'")},
              {"program disk cut short", true, cut(p, 100000),
               open_fails("p.2mg", "damaged image 'p.2mg': data of 143360 bytes at offset 64 runs past the end of the "
                                   "file (100000 bytes)")},
              {"plain image with the signature", true, signed_plain, ""},
          });
}

TEST_F(A2Containers, DamagedNib)
{
    auto d = [](A2SectorDamage damage) { return sample::a2_nib(map_disk(), damage); };
    auto p = [](A2SectorDamage damage) { return sample::a2_nib(program_disk(), damage); };
    auto dm = [](const std::string& what) { return map_fails("d.nib", "damaged image 'd.nib': " + what); };
    const std::string pm = "damaged image 'p.nib': ";
    check(".nib",
          {
              {"checksum", false, d(at(A2Damage::checksum, 3, 5)), dm("track 3 sector 5 checksum error")},
              {"missing", false, d(at(A2Damage::missing, 0, 15)), dm("track 0 sector 15 missing")},
              {"no data", false, d(at(A2Damage::no_data, 15, 0)), dm("track 15 sector 0 has no data field")},
              {"duplicated", false, d(at(A2Damage::duplicated, 7, 9)), dm("track 7 sector 9 duplicated")},
              {"cut short", false, cut(d({}), 200000), dm("200000 bytes of nibbles, not 35 tracks of 6656")},
              {"past the map tracks", false, d(at(A2Damage::checksum, 16, 0)), ""},
              // The sample volume: catalog 17/15 down, the lists and data of
              // HELLO (18/0, 18/1), S^AHP0 (18/2, 18/3-19/3), S^AHP1 (19/4, 19/5-20/5).
              {"catalog", true, p(at(A2Damage::checksum, 17, 15)),
               open_fails("p.nib", pm + "track 17 sector 15 checksum error\ncan't get catalog 'p.nib'")},
              {"list of the first file", true, p(at(A2Damage::missing, 18, 0)),
               pm + "track 18 sector 0 missing\ncan't get track/sector list 'p.nib'\n"
                    "error: can't get file 'p.nib/S\x01HP0'\nerror: read shapes from disk image\n"},
              {"shape data", true, p(at(A2Damage::no_data, 20, 2)),
               pm + "track 20 sector 2 has no data field\nerror: can't get file 'p.nib/S\x01HP1'\n"
                    "error: read shapes from disk image\n"},
              {"data of no file", true, p(at(A2Damage::duplicated, 30, 3)), ""},
          });
}

TEST_F(A2Containers, DamagedWoz)
{
    const Bytes d = sample::a2_woz(map_disk(), 2);
    const Bytes p = sample::a2_woz(program_disk(), 2);
    const size_t trk = 256;  // the WOZ 2 track records (8 bytes each)
    const size_t tmap = 88;  // the quarter-track map
    const char* id = "META";
    const size_t meta = static_cast<size_t>(std::find_end(d.begin(), d.end(), id, id + 4) - d.begin());
    const uint32_t track4_block = static_cast<uint32_t>(sample::a2_woz2_track_bits_offset(4) / 512);
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08X", get_le32(d.data() + sample::kA2WozCrcOffset));
    Bytes bad_track30 = no_crc(d);
    for (size_t i = 0; i < 2000; ++i) bad_track30[sample::a2_woz2_track_bits_offset(30) + i] ^= 0x24;
    auto dm = [](const std::string& what) { return map_fails("d.woz", "damaged image 'd.woz': " + what); };
    auto um = [](const std::string& what) { return map_fails("d.woz", "unsupported image 'd.woz': " + what); };
    const std::string size = std::to_string(d.size());
    check(".woz",
          {
              {"checksum", false, sample::a2_woz(map_disk(), 2, 2, at(A2Damage::checksum, 3, 5)),
               dm("track 3 sector 5 checksum error")},
              {"missing in WOZ 1", false, sample::a2_woz(map_disk(), 1, 1, at(A2Damage::missing, 1, 1)),
               dm("track 1 sector 1 missing")},
              {"duplicated", false, sample::a2_woz(map_disk(), 2, 3, at(A2Damage::duplicated, 9, 14)),
               dm("track 9 sector 14 duplicated")},
              {"cut short", false, cut(d, 100000),
               dm("chunk 'TRKS' at offset 248 runs past the end of the file (100000 bytes)")},
              {"header cut short", false, cut(d, 10), dm("header cut short at 10 of 12 bytes")},
              {"TRKS longer than the file", false, with32(d, sample::kA2Woz2TrksSizeOffset, 0xFFFFFF00),
               dm("chunk 'TRKS' at offset 248 runs past the end of the file (" + size + " bytes)")},
              {"META longer than the file", false, with32(d, meta + 4, get_le32(d.data() + meta + 4) + 1),
               dm("chunk 'META' at offset " + std::to_string(meta) +
                                      " runs past the end of the file (" + size + " bytes)")},
              {"track blocks outside TRKS", false, with32(no_crc(d), trk + 8 * 4, 60000u << 16 | track4_block),
               dm("track 4: blocks " + std::to_string(track4_block) + " to " +
                                      std::to_string(track4_block + 59999) + " lie outside the TRKS chunk")},
              {"more bits than blocks", false, with32(no_crc(d), trk + 8 * 2 + 4, 13 * 4096 + 1),
               dm("track 2: 53249 bits do not fit in its 6656 bytes")},
              {"CRC", false, with32(d, sample::kA2WozCrcOffset, 0x12345678),
               dm(std::string("CRC32 ") + crc + " of the file, not the 12345678 its header gives")},
              {"track not mapped", false, with8(no_crc(d), tmap + 8, 0xFF), dm("track 2 sector 0 missing")},
              {"track record out of range", false, with8(no_crc(d), tmap + 12, 200),
               dm("track 3: TMAP names track record 200 of 160")},
              {"no TMAP", false, with8(no_crc(d), 83, 'X'), dm("no TMAP chunk")},
              {"INFO version 1 in WOZ 2", false, with8(no_crc(d), 20, 1), dm("INFO version 1 in a WOZ2 file")},
              {"INFO version to come", false, with8(no_crc(d), 20, 4), um("INFO version 4")},
              {"3.5-inch disk", false, with8(no_crc(d), 21, 2), um("3.5-inch disk")},
              {"bits past the map tracks, without CRC", false, bad_track30, ""},
              {"more than 16 MiB", false, with_chunk(no_crc(d), size_t{16} << 20), um("more than 16777216 bytes")},
              // Beyond the first mebibyte, which the program disk's reader holds of a plain image.
              {"program disk of 2 MiB", true, with_chunk(no_crc(p), size_t{2} << 20), ""},
              {"program disk catalog", true, sample::a2_woz(program_disk(), 1, 1, at(A2Damage::checksum, 17, 15)),
               open_fails("p.woz",
                          "damaged image 'p.woz': track 17 sector 15 checksum error\ncan't get catalog 'p.woz'")},
              {"program disk cut short", true, cut(p, 100000),
               open_fails("p.woz", "damaged image 'p.woz': chunk 'TRKS' at offset 248 runs past the end of the file "
                                   "(100000 bytes)")},
              // The volume table of contents (17/0) is never read.
              {"volume table", true, sample::a2_woz(program_disk(), 2, 2, at(A2Damage::missing, 17, 0)), ""},
          });
}

}  // namespace
