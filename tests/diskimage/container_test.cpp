// Floppy image containers opened through the FAT12 reader: every form of
// every disk gives its sectors back at either data offset, the forms are
// told apart by their bytes alone, and damaged containers say what is wrong
// and where, once the reader needs the damaged part.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "byteorder.h"
#include "diskimage.h"
#include "disk_test_util.h"
#include "fat12_writer.h"
#include "sample_containers.h"
#include "tool_run.h"

namespace {

using sample::DiskForm;
using sample::FloppyKind;
using sample::SampleSector;
using sample::SampleTracks;
using vorn_test::TempDir;
using Bytes = std::vector<uint8_t>;

// TOWNE.BIN takes clusters 2-18 and PEOPLE.BIN 19-23; on the 2HD disk that is
// absolute sectors 11-27 and 28-32 (track 0 side 1 sector 4 on).
std::vector<sample::FloppyFile> game_files()
{
    return {{"TOWNE.BIN", disk_test::pattern_bytes(17408, 1)},
            {"PEOPLE.BIN", disk_test::pattern_bytes(4352, 2)},
            {"ODD", disk_test::pattern_bytes(1025, 3)}};
}

Bytes raw_disk(FloppyKind kind) { return sample::fat12_image(kind, game_files(), 0); }

struct Opened {
    int result = -1;
    std::string out;
    DiskImage image;
};

// Opens the bytes as a file of a name that says nothing about its form.
Opened open_bytes(const TempDir& dir, const Bytes& bytes, uint32_t offset, const std::string& name = "disk.img")
{
    Opened o;
    const auto path = dir / name;
    vorn_test::write_file(path, bytes);
    o.result = disk_test::open_image(o.image, path, offset, &o.out);
    return o;
}

// ---- every form of every disk ------------------------------------------------

struct KindNumbers {
    FloppyKind kind;
    int32_t bytes_per_sector;
    int32_t total_sectors;
};
constexpr KindNumbers kKinds[] = {
    {FloppyKind::k2HD1232K, 1024, 1232}, {FloppyKind::k2DD720K, 512, 1440}, {FloppyKind::k2DD640K, 512, 1280}};

struct FormCase {
    const char* label;
    std::function<Bytes(FloppyKind, const Bytes&)> make;
    bool two_hd_only;
};

Bytes fdi_with(FloppyKind kind, const Bytes& raw, uint32_t fdd_type, uint32_t header_size)
{
    const Bytes usual = sample::fdi_image(kind, raw);
    Bytes fdi(usual.begin(), usual.begin() + 32);
    fdi.resize(header_size, 0);
    put_le32(fdi.data() + 4, fdd_type);
    put_le32(fdi.data() + 8, header_size);
    fdi.insert(fdi.end(), raw.begin(), raw.end());
    return fdi;
}

// Older writers give the D88 track table 160 entries, so that the first track
// follows at 0x2A0 instead of 0x2B0.
Bytes d88_table_of_160(FloppyKind kind, const Bytes& raw)
{
    Bytes d88 = sample::disk_in_form(kind, raw, DiskForm::kD88);
    d88.erase(d88.begin() + 0x2A0, d88.begin() + 0x2B0);
    for (size_t at = 0x1C; at < 0x2A0; at += 4)  // the disk size, then the table
        if (const uint32_t v = get_le32(d88.data() + at)) put_le32(d88.data() + at, v - 16);
    return d88;
}

const FormCase kFormCases[] = {
    {"FDI", [](FloppyKind k, const Bytes& r) { return sample::disk_in_form(k, r, DiskForm::kFdi); }, false},
    {"FDI, fdd type 0x30 and a header of 512 bytes", [](FloppyKind k, const Bytes& r) { return fdi_with(k, r, 0x30, 512); }, false},
    {"raw sectors", [](FloppyKind k, const Bytes& r) { return sample::disk_in_form(k, r, DiskForm::kHdm); }, false},
    {"D88, tracks shuffled", [](FloppyKind k, const Bytes& r) { return sample::disk_in_form(k, r, DiskForm::kD88); }, false},
    {"D88, a table of 160 tracks", d88_table_of_160, false},
    {"D88 marked 2D", [](FloppyKind k, const Bytes& r) { return sample::d88_image(sample::sample_tracks(k, r, false), 0x00); }, false},
    {"NFD r0, tracks shuffled", [](FloppyKind k, const Bytes& r) { return sample::disk_in_form(k, r, DiskForm::kNfd0); }, false},
    {"NFD r1, tracks shuffled", [](FloppyKind k, const Bytes& r) { return sample::disk_in_form(k, r, DiskForm::kNfd1); }, false},
    {"DIM", [](FloppyKind k, const Bytes& r) { return sample::disk_in_form(k, r, DiskForm::kDim); }, true},
};

TEST(ContainerForms, EveryFormGivesTheDiskBackAtEitherDataOffset)
{
    TempDir dir;
    for (const KindNumbers& k : kKinds) {
        const Bytes raw = raw_disk(k.kind);
        for (const FormCase& c : kFormCases) {
            if (c.two_hd_only && k.kind != FloppyKind::k2HD1232K) continue;
            const Bytes bytes = c.make(k.kind, raw);
            for (const uint32_t offset : {0u, 4096u}) {
                const std::string label = std::string(c.label) + ", " + std::to_string(k.total_sectors) +
                                          " sectors, offset " + std::to_string(offset);
                Opened o = open_bytes(dir, bytes, offset);
                ASSERT_EQ(o.result, 0) << label << ": " << o.out;
                EXPECT_EQ(o.out, "") << label;
                EXPECT_EQ(o.image.bytes_per_sector, k.bytes_per_sector) << label;
                EXPECT_EQ(o.image.total_sectors, k.total_sectors) << label;
                EXPECT_TRUE(o.image.sector_faults.empty()) << label;
                ASSERT_EQ(o.image.data.size(), offset + raw.size()) << label;
                EXPECT_TRUE(std::equal(raw.begin(), raw.end(), o.image.data.begin() + offset)) << label;
                Bytes towne(17408);
                std::string out;
                EXPECT_EQ(disk_test::read_file(o.image, "TOWNE.BIN", towne, 1, &out), 0) << label << ": " << out;
                EXPECT_EQ(towne, disk_test::pattern_bytes(17408, 1)) << label;
                disk_image_close(o.image);
            }
        }
    }
}

// ---- telling the forms apart ---------------------------------------------------

// Bytes of a 2HD disk in a form, changed by edit.
Bytes edited(DiskForm form, const std::function<void(Bytes&)>& edit)
{
    Bytes bytes = sample::disk_in_form(FloppyKind::k2HD1232K, raw_disk(FloppyKind::k2HD1232K), form);
    edit(bytes);
    return bytes;
}

struct Refused {
    const char* label;
    std::function<Bytes()> make;
    uint32_t offset;
};

// Files whose form is none of the known ones, or whose disk is of none of
// the three geometries: the reader's line for a foreign image.
const Refused kRefused[] = {
    {"FDI of a 1.44 MB disk", [] { Bytes b = edited(DiskForm::kFdi, [](Bytes&) {});
                                   put_le32(b.data() + 0x0C, 1474560); put_le32(b.data() + 0x10, 512);
                                   put_le32(b.data() + 0x14, 18); put_le32(b.data() + 0x1C, 80); return b; }, 0},
    {"FDI whose data size is not its geometry's",
     [] { return edited(DiskForm::kFdi, [](Bytes& b) { put_le32(b.data() + 0x0C, 1261568 - 1024); }); }, 0},
    {"FDI whose header is shorter than its fields",
     [] { return edited(DiskForm::kFdi, [](Bytes& b) { put_le32(b.data() + 0x08, 16); }); }, 0},
    {"D88 of a 2D disk (40 cylinders of 8 x 512)",
     [] { SampleTracks t = sample::sample_tracks(FloppyKind::k2DD640K, raw_disk(FloppyKind::k2DD640K), false);
          t.resize(80); return sample::d88_image(t, 0x00); }, 4096},
    {"D88 with a media byte of 0x30",
     [] { return edited(DiskForm::kD88, [](Bytes& b) { b[0x1B] = 0x30; }); }, 0},
    {"DIM of type 2HS", [] { return edited(DiskForm::kDim, [](Bytes& b) { b[0] = 1; }); }, 0},
    {"NFD r1 with retried reads",
     [] { return edited(DiskForm::kNfd1, [](Bytes& b) { b[get_le32(b.data() + 0x120) + 16 + 10] = 1; }); }, 0},
    {"a raw disk one byte long", [] { Bytes b = raw_disk(FloppyKind::k2DD720K); b.push_back(0); return b; }, 4096},
    {"nothing", [] { return Bytes(); }, 4096},
};

TEST(ContainerForms, ForeignFormsAndGeometriesAreUnsupported)
{
    TempDir dir;
    for (const Refused& c : kRefused) {
        Opened o = open_bytes(dir, c.make(), c.offset);
        EXPECT_EQ(o.result, -1) << c.label;
        EXPECT_EQ(o.out, "unsupported image '" + (dir / "disk.img").string() + "'\n") << c.label;
        EXPECT_TRUE(o.image.data.empty()) << c.label;
    }
}

TEST(ContainerForms, AFileOfAnAcceptedSizeIsReadAsItStandsWhateverItsLeadingBytesSay)
{
    TempDir dir;
    // FDI-sized files whose leading 4,096 bytes begin like other containers.
    const Bytes raw = raw_disk(FloppyKind::k2HD1232K);
    const Bytes heads[] = {sample::disk_in_form(FloppyKind::k2DD640K, raw_disk(FloppyKind::k2DD640K), DiskForm::kNfd0),
                           sample::disk_in_form(FloppyKind::k2DD640K, raw_disk(FloppyKind::k2DD640K), DiskForm::kD88),
                           edited(DiskForm::kDim, [](Bytes&) {})};
    for (const Bytes& head : heads) {
        Bytes file(head.begin(), head.begin() + 4096);
        file.insert(file.end(), raw.begin(), raw.end());
        Opened o = open_bytes(dir, file, 4096);
        ASSERT_EQ(o.result, 0) << o.out;
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.image.data, file);
    }
    // The same bytes under names of other forms open the same way.
    const Bytes d88 = sample::disk_in_form(FloppyKind::k2DD720K, raw_disk(FloppyKind::k2DD720K), DiskForm::kD88);
    for (const char* name : {"x.nfd", "x.fdi", "x.dim", "x"}) {
        Opened o = open_bytes(dir, d88, 0, name);
        EXPECT_EQ(o.result, 0) << name << ": " << o.out;
        EXPECT_EQ(o.image.total_sectors, 1440) << name;
    }
}

// ---- damage ----------------------------------------------------------------------

// One change to a container of the 2HD disk (unshuffled tracks): to a sector
// (or the track of c and h) before the file is written, to the bytes of the
// file (a 16- or 32-bit value at a position, counted from the end when
// negative), or to its length.
enum class Change { kNone, kDrop, kTwice, kHalf, kSizeCode, kStatus, kNoTrack };
struct Damage {
    DiskForm form;
    Change change;
    int c, h, r, value;
    long poke_at;
    uint32_t poke;
    int poke_bytes;
    size_t cut;
    const char* open_out;  // "" when the image opens; "@" stands for its path
    const char* towne_out;  // reading TOWNE.BIN and PEOPLE.BIN after a successful open
    const char* people_out;
};

Bytes damaged_file(const Damage& d)
{
    const auto kind = FloppyKind::k2HD1232K;
    SampleTracks t = sample::sample_tracks(kind, raw_disk(kind), false);
    std::vector<SampleSector>& track = t[static_cast<size_t>(d.c * 2 + d.h)];
    const auto it = std::find_if(track.begin(), track.end(), [&](const SampleSector& s) { return s.record == d.r; });
    switch (d.change) {
        case Change::kNone: break;
        case Change::kDrop: track.erase(it); break;
        case Change::kTwice: track.push_back(*it); break;
        case Change::kHalf: it->bytes.resize(512); it->size_code = 2; break;
        case Change::kSizeCode: it->size_code = static_cast<uint8_t>(d.value); break;
        case Change::kStatus: it->status = static_cast<uint8_t>(d.value); break;
        case Change::kNoTrack: track.clear(); break;
    }
    Bytes b;
    if (d.form == DiskForm::kD88) b = sample::d88_image(t, 0x20);
    if (d.form == DiskForm::kNfd0 || d.form == DiskForm::kNfd1) b = sample::nfd_image(t, d.form == DiskForm::kNfd0 ? 0 : 1);
    if (d.form == DiskForm::kDim || d.form == DiskForm::kFdi) {
        Bytes raw;  // the tracks left, in order
        for (const auto& trk : t)
            for (const SampleSector& s : trk) raw.insert(raw.end(), s.bytes.begin(), s.bytes.end());
        b = d.form == DiskForm::kFdi ? sample::fdi_image(kind, raw) : sample::dim_image(raw);
        if (d.form == DiskForm::kDim && d.change == Change::kNoTrack) b[1 + static_cast<size_t>(d.c * 2 + d.h)] = 0;
    }
    uint8_t* at = b.data() + (d.poke_at < 0 ? static_cast<long>(b.size()) + d.poke_at : d.poke_at);
    if (d.poke_bytes == 1) *at = static_cast<uint8_t>(d.poke);
    if (d.poke_bytes == 2) put_le16(at, static_cast<uint16_t>(d.poke));
    if (d.poke_bytes == 4) put_le32(at, d.poke);
    if (d.cut) b.resize(d.cut);
    return b;
}

std::string at_path(const std::string& text, const std::string& path)
{
    std::string out;
    for (const char c : text) out += c == '@' ? path : std::string(1, c);
    return out;
}

// The 2HD disk: FAT at sectors 1-2 (track 0 side 0 sectors 2-3), the root
// directory at 5-10 (side 0 sectors 6-8, side 1 sectors 1-3), TOWNE.BIN at
// 11-27 (from side 1 sector 4), PEOPLE.BIN at 28-32 (track 1 side 1 sector 5 on).
// D88 tracks are 8 records of 16 + 1,024 bytes after a header of 0x2B0; NFD r0
// sectors follow a header of 0x10A10, r1 ones 0x3C0 + 154 x 144 bytes; DIM
// tracks of 8,192 bytes follow 256 bytes, FDI sectors 4,096.
using C = Change;
constexpr DiskForm D88 = DiskForm::kD88, NFD0 = DiskForm::kNfd0, NFD1 = DiskForm::kNfd1, DIM = DiskForm::kDim,
                   FDI = DiskForm::kFdi;
const Damage kDamage[] = {
    {D88, C::kDrop, 0, 1, 4, 0, 0, 0, 0, 0, "", "damaged image '@': track 0 side 1 sector 4 missing\n", ""},
    {D88, C::kTwice, 1, 0, 2, 0, 0, 0, 0, 0, "", "damaged image '@': track 1 side 0 sector 2 duplicated\n", ""},
    {D88, C::kHalf, 1, 1, 1, 0, 0, 0, 0, 0, "", "damaged image '@': track 1 side 1 sector 1 has 512 bytes, 1024 expected\n", ""},
    {D88, C::kSizeCode, 1, 1, 2, 2, 0, 0, 0, 0, "", "damaged image '@': track 1 side 1 sector 2 has 512 bytes, 1024 expected\n", ""},
    {D88, C::kStatus, 0, 0, 2, 0xB0, 0, 0, 0, 0,
     "damaged image '@': track 0 side 0 sector 2 data CRC error\ncan't get fat '@' offset=00000000\n", "", ""},
    {D88, C::kStatus, 0, 0, 6, 0xA0, 0, 0, 0, 0, "", "damaged image '@': track 0 side 0 sector 6 ID CRC error\n",
     "damaged image '@': track 0 side 0 sector 6 ID CRC error\n"},
    {D88, C::kStatus, 1, 0, 8, 0xE0, 0, 0, 0, 0, "", "damaged image '@': track 1 side 0 sector 8 unreadable, status 0xE0\n", ""},
    {D88, C::kStatus, 1, 0, 8, 0x10, 0, 0, 0, 0, "", "", ""},  // deleted data mark: sound
    {D88, C::kStatus, 76, 1, 8, 0xB0, 0, 0, 0, 0, "", "", ""},  // outside every file
    {D88, C::kNone, 0, 0, 0, 0, 0, 0, 0, 1000000, "damaged image '@': cut short in track 60 side 0 sector 1\n", "", ""},
    {D88, C::kNone, 0, 0, 0, 0, 0, 0, 0, 0x2B0 + 120 * 8320, "damaged image '@': cut short in track 60 side 0\n", "", ""},
    {D88, C::kNone, 0, 0, 0, 0, 0x1C, 700000, 4, 0,
     "damaged image '@': track 42 side 0 sector 1 lies past the end of the disk\n", "", ""},
    {D88, C::kNone, 0, 0, 0, 0, 0x20 + 4 * 3, 0x7FFFFFFF, 4, 0,
     "damaged image '@': track 1 side 1 lies past the end of the disk\n", "", ""},
    {D88, C::kNone, 0, 0, 0, 0, -1040 + 0x0E, 0xFFFF, 2, 0,
     "damaged image '@': track 76 side 1 sector 8 lies past the end of the disk\n", "", ""},
    {NFD0, C::kDrop, 1, 1, 5, 0, 0, 0, 0, 0, "", "", "damaged image '@': track 1 side 1 sector 5 missing\n"},
    {NFD0, C::kTwice, 1, 0, 2, 0, 0, 0, 0, 0, "", "damaged image '@': track 1 side 0 sector 2 duplicated\n", ""},
    {NFD0, C::kHalf, 1, 1, 1, 0, 0, 0, 0, 0, "", "damaged image '@': track 1 side 1 sector 1 has 512 bytes, 1024 expected\n", ""},
    {NFD0, C::kStatus, 1, 0, 1, 0xB0, 0, 0, 0, 0, "", "damaged image '@': track 1 side 0 sector 1 data CRC error\n", ""},
    {NFD0, C::kSizeCode, 0, 1, 4, 9, 0, 0, 0, 0, "damaged image '@': track 0 side 1 sector 4 has size code 9\n", "", ""},
    {NFD0, C::kNone, 0, 0, 0, 0, 0, 0, 0, 1000000, "damaged image '@': cut short in track 56 side 1 sector 7\n", "", ""},
    {NFD0, C::kNone, 0, 0, 0, 0, 0, 0, 0, 0x8000, "damaged image '@': cut short in the header\n", "", ""},
    {NFD0, C::kNone, 0, 0, 0, 0, 0x110, 0x100, 4, 0, "damaged image '@': header size 256 overlaps its tables\n", "", ""},
    {NFD0, C::kNone, 0, 0, 0, 0, 0x110, 0x7FFFFFF0, 4, 0, "damaged image '@': cut short in the header\n", "", ""},
    {NFD1, C::kDrop, 1, 1, 5, 0, 0, 0, 0, 0, "", "", "damaged image '@': track 1 side 1 sector 5 missing\n"},
    {NFD1, C::kNone, 0, 0, 0, 0, 0, 0, 0, 1000000, "damaged image '@': cut short in track 59 side 1 sector 2\n", "", ""},
    {NFD1, C::kNone, 0, 0, 0, 0, 0x120 + 4 * 5, 0x7FFFFFF0, 4, 0,
     "damaged image '@': track 2 side 1 lies outside the header\n", "", ""},
    {DIM, C::kNoTrack, 0, 1, 0, 0, 0, 0, 0, 0, "", "damaged image '@': track 0 side 1 sector 4 missing\n", ""},
    {DIM, C::kNone, 0, 0, 0, 0, 1 + 160, 1, 1, 0, "damaged image '@': cut short in track 80 side 0\n", "", ""},
    {DIM, C::kNone, 0, 0, 0, 0, 0, 0, 0, 1000000, "damaged image '@': cut short in track 61 side 0\n", "", ""},
    {FDI, C::kNone, 0, 0, 0, 0, 0, 0, 0, 1000000, "damaged image '@': cut short in track 60 side 1 sector 5\n", "", ""},
};

struct Family {
    const char* name;
    std::vector<DiskForm> forms;
};
void PrintTo(const Family& f, std::ostream* os) { *os << f.name; }

class ContainerDamage : public ::testing::TestWithParam<Family> {};

TEST_P(ContainerDamage, SaysWhatIsWrongAndWhereOnceItIsNeeded)
{
    TempDir dir;
    const std::string path = (dir / "disk.img").string();
    const std::vector<DiskForm>& forms = GetParam().forms;
    for (const Damage& d : kDamage) {
        if (std::find(forms.begin(), forms.end(), d.form) == forms.end()) continue;
        for (const uint32_t offset : {0u, 4096u}) {
            const std::string label = sample::form_extension(d.form) + " " + at_path(d.open_out, "") +
                                      at_path(d.towne_out, "") + at_path(d.people_out, "") + " offset " +
                                      std::to_string(offset);
            std::string open_out = at_path(d.open_out, path);
            const size_t zero = open_out.find("offset=00000000");
            if (offset == 4096 && zero != std::string::npos) open_out.replace(zero, 15, "offset=00001000");
            Opened o = open_bytes(dir, damaged_file(d), offset);
            EXPECT_EQ(o.out, open_out) << label;
            EXPECT_EQ(o.result, open_out.empty() ? 0 : -1) << label;
            if (o.result != 0) continue;
            // A damaged sector outside a file keeps nobody from reading it.
            const struct {
                const char* name;
                size_t size;
                uint32_t seed;
                const char* expected;
            } reads[] = {{"TOWNE.BIN", 17408, 1, d.towne_out}, {"PEOPLE.BIN", 4352, 2, d.people_out}};
            for (const auto& r : reads) {
                Bytes buffer(r.size);
                std::string out;
                const int result = disk_test::read_file(o.image, r.name, buffer, 1, &out);
                EXPECT_EQ(out, at_path(r.expected, path)) << label << " " << r.name;
                EXPECT_EQ(result, *r.expected ? -1 : 0) << label << " " << r.name;
                if (*r.expected == 0) {
                    EXPECT_TRUE(buffer == disk_test::pattern_bytes(r.size, r.seed)) << label;
                }
            }
            disk_image_close(o.image);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Families, ContainerDamage,
                         ::testing::Values(Family{"D88", {D88}}, Family{"NFD", {NFD0, NFD1}}, Family{"DIM", {DIM}},
                                           Family{"FDI", {FDI}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ContainerDirectory, ANameSearchStopsAtADamagedSector)
{
    // Side 1 sector 1 holds root directory sector 8: TOWNE.BIN is found in
    // sector 5 before it, a name that is not there is looked for in it.
    TempDir dir;
    const Damage d = {D88, C::kStatus, 0, 1, 1, 0xB0, 0, 0, 0, 0, "", "", ""};
    Opened o = open_bytes(dir, damaged_file(d), 0);
    ASSERT_EQ(o.result, 0) << o.out;
    Bytes buffer(17408);
    std::string out;
    EXPECT_EQ(disk_test::read_file(o.image, "TOWNE.BIN", buffer, 1, &out), 0);
    EXPECT_EQ(disk_test::read_file(o.image, "NOPE.BIN", buffer, 1, &out), -1);
    EXPECT_EQ(out, "damaged image '" + (dir / "disk.img").string() + "': track 0 side 1 sector 1 data CRC error\n");
    disk_image_close(o.image);
}

}  // namespace
