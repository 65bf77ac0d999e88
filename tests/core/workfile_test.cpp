// Direct-access work files: records held in memory reach the file on disk
// in the fixed-length little-endian layout, an existing file keeps its
// records, and a record never written reads as zeros.
#include "core/workfile.h"
#include "core/fatal.h"
#include "core/records.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <vector>

using namespace quarlo;
using namespace quarlo::test;

namespace {

Record numbered(int length, std::int32_t value) {
    Record r(static_cast<std::size_t>(length));
    r.set_i32(0, value);
    r.set_f32(4, 0.5f);
    return r;
}

} // namespace

TEST(DirectFile, RecordsReachTheDiskInTheirLayoutAndSurviveAReopening) {
    TempDir dir;
    {
        DirectFile f;
        ASSERT_TRUE(f.open("w.wrk", 12));
        f.write(3, numbered(12, 0x01020304));
        f.write(1, numbered(12, -2));
        // Record 2 only in part: the rest of that record stays as it was.
        Record part(12);
        part.set_i32(0, 77);
        part.set_i32(4, 88);
        f.write(2, part, 4);
        EXPECT_EQ(f.records_on_file(), 3);
        f.close();
    }
    // Little-endian words at (record - 1) x 12.
    std::string bytes = read_file("w.wrk");
    ASSERT_EQ(bytes.size(), 36u);
    EXPECT_EQ(bytes.substr(24, 4), std::string("\x04\x03\x02\x01", 4));
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xfe\xff\xff\xff", 4));
    EXPECT_EQ(bytes.substr(4, 4), std::string("\x00\x00\x00\x3f", 4)); // 0.5f
    EXPECT_EQ(bytes.substr(12, 8), std::string("\x4d\x00\x00\x00\x00\x00\x00\x00", 8));

    DirectFile again;
    ASSERT_TRUE(again.open("w.wrk", 12));
    EXPECT_EQ(again.records_on_file(), 3);
    Record r(12);
    again.read(3, r);
    EXPECT_EQ(r.i32(0), 0x01020304);
    EXPECT_EQ(r.f32(4), 0.5f);
    // Beyond the end of the file: zeros, whatever the buffer held.
    r.set_i32(0, 5);
    again.read(9, r);
    EXPECT_EQ(r.i32(0), 0);
    EXPECT_EQ(r.i32(8), 0);
    again.close_delete();
    EXPECT_FALSE(std::filesystem::exists("w.wrk"));
}

TEST(DirectFile, ChangedRecordsAreWrittenOutBeforeTheFileIsClosed) {
    TempDir dir;
    DirectFile f;
    ASSERT_TRUE(f.open("eq.wrk", 72));
    int records = static_cast<int>(2 * DirectFile::kWriteBehindBytes / 72);
    for (int rec = 1; rec <= records; ++rec) f.write(rec, numbered(72, rec));
    // At least one large write has gone out; the rest waits in memory.
    auto on_disk = std::filesystem::file_size("eq.wrk");
    EXPECT_GE(on_disk, DirectFile::kWriteBehindBytes);
    EXPECT_LE(on_disk, static_cast<std::uintmax_t>(records) * 72u);
    Record r(72);
    f.read(records, r);
    EXPECT_EQ(r.i32(0), records);
    f.close();
    EXPECT_EQ(std::filesystem::file_size("eq.wrk"), static_cast<std::uintmax_t>(records) * 72u);
}

TEST(DirectFile, RecordsBeyondTheMemoryImageGoStraightToDisk) {
    TempDir dir;
    DirectFile f;
    ASSERT_TRUE(f.open("blk.wrk", 2048));
    const int far = static_cast<int>(DirectFile::kImageBytes / 2048) + 10;
    f.write(far, numbered(2048, 4321));
    f.write(1, numbered(2048, 1));
    EXPECT_EQ(std::filesystem::file_size("blk.wrk"), static_cast<std::uintmax_t>(far) * 2048u);
    EXPECT_EQ(f.records_on_file(), far);
    Record r(2048);
    f.read(far, r);
    EXPECT_EQ(r.i32(0), 4321);
    f.read(far - 1, r); // a hole: zeros
    EXPECT_EQ(r.i32(0), 0);
    f.read(1, r);
    EXPECT_EQ(r.i32(0), 1);
    f.close_delete();
    EXPECT_FALSE(std::filesystem::exists("blk.wrk"));
}

// Runs of records (straight to disk) and single records (through memory)
// on one file see each other's writes, also where the memory image grows
// over records written as a run.
TEST(DirectFile, RunsAndSingleRecordsAgree) {
    TempDir dir;
    DirectFile f;
    ASSERT_TRUE(f.open("run.wrk", 2048));
    std::vector<float> words(3 * 512);
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = static_cast<float>(i) + 0.25f;
    f.write(2, numbered(2048, 22));
    ASSERT_TRUE(f.write_records(4, 3, words.data())); // records 4-6
    f.write(9, numbered(2048, 99));
    EXPECT_EQ(f.records_on_file(), 9);
    Record r(2048);
    f.read(5, r);
    EXPECT_EQ(r.f32(0), words[512]);
    std::vector<float> back(9 * 512, -1.0f);
    ASSERT_TRUE(f.read_records(1, 9, back.data()));
    EXPECT_EQ(back[0], 0.0f);
    EXPECT_EQ(std::bit_cast<std::int32_t>(back[512]), 22);
    for (std::size_t i = 0; i < words.size(); ++i) EXPECT_EQ(back[3 * 512 + i], words[i]) << i;
    EXPECT_EQ(std::bit_cast<std::int32_t>(back[8 * 512]), 99);
    // A run written over a record held in memory replaces it there too.
    ASSERT_TRUE(f.write_records(2, 1, words.data()));
    f.read(2, r);
    EXPECT_EQ(r.f32(4), words[1]);
    f.close_delete();
    DirectFile closed;
    EXPECT_FALSE(closed.read_records(1, 1, back.data()));
}

// Records are moved between the structures and the work-file records as
// byte copies where the layout allows: every field must still land at its
// offset of the layout, in little-endian order. (Reading them back is what
// every whole run does.)
TEST(WorkRecords, FieldsAtTheirLayoutOffsets) {
    EquationRecord e;
    for (int i = 0; i < 5; ++i) {
        e.unknown[static_cast<std::size_t>(i)] = 100 + i;
        e.coefficient[static_cast<std::size_t>(i)] = 0.25f * static_cast<float>(i + 1);
    }
    e.misclosure = -1.5f;
    e.weight = 4.0f;
    e.from_position = 7;
    e.to_position = -8;
    e.refraction_set = 2;
    e.distance = 1234.5678;
    Record r(kEqnRecordLength);
    encode(e, r);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(r.i32(4 * i), 100 + static_cast<int>(i));
        EXPECT_EQ(r.f32(20 + 4 * i), 0.25f * static_cast<float>(i + 1));
    }
    EXPECT_EQ(r.f32(40), -1.5f);
    EXPECT_EQ(r.f32(44), 4.0f);
    EXPECT_EQ(r.i32(48), 7);
    EXPECT_EQ(r.i32(52), -8);
    EXPECT_EQ(r.i32(56), 2);
    EXPECT_EQ(r.f64(60), 1234.5678);
    EXPECT_EQ(r.data()[60], std::bit_cast<std::uint64_t>(1234.5678) & 0xff); // low byte first

    // A character and an integer at odd offsets, and the bytes between
    // fields left as they were.
    ZenithRecord z;
    z.from = 2017;
    z.zenith = 1.25;
    z.sd = 3.0f;
    z.distance_type = 'H';
    z.distance_supplied = 1;
    z.observed_eccentric_code = 9;
    Record zr(kObsRecordLength);
    encode(z, zr);
    EXPECT_EQ(zr.i32(0), 2017);
    EXPECT_EQ(zr.f64(8), 1.25);
    EXPECT_EQ(zr.f32(16), 3.0f);
    EXPECT_EQ(zr.i32(68), 9);
    EXPECT_EQ(zr.ch(72), 'H');
    EXPECT_EQ(zr.i32(73), 1);
    EXPECT_EQ(zr.ch(77), '\0');

    // A name field: its 20 characters at offset 24 of a station record.
    StationRecord s;
    s.number = 12;
    s.name.set("TRIG 12");
    s.height = 152.354f;
    s.adjusted_sd = 0.01f;
    Record sr(kObsRecordLength);
    encode(s, sr);
    EXPECT_EQ(sr.text(24, 20), "TRIG 12             ");
    EXPECT_EQ(sr.f32(44), 152.354f);
    EXPECT_EQ(sr.f32(68), 0.01f);
}

// Records held in memory are decoded where they lie, the others read from
// the disk: both give the record as written, and a record never written
// reads as zeros either way.
TEST(WorkRecords, HeldAndDiskRecordsReadAlike) {
    TempDir dir;
    DirectFile f;
    ASSERT_TRUE(f.open("obs.wrk", kObsRecordLength));
    const int beyond = static_cast<int>(DirectFile::kImageBytes / kObsRecordLength) + 3;
    HeightDiffRecord h;
    h.from = 3;
    h.to = 14;
    h.dh = 0.4743f;
    h.sd = 0.002f;
    h.distance = 812.25;
    for (int rec : {1, 2, beyond}) {
        h.to = rec;
        write_height_diff(f, rec, h);
    }
    EXPECT_NE(f.held(2, kHeightDiffRecordBytes), nullptr);
    EXPECT_EQ(f.held(beyond, kHeightDiffRecordBytes), nullptr);
    EXPECT_EQ(f.held(2, kObsRecordLength + 1), nullptr);
    for (int rec : {1, 2, beyond}) {
        HeightDiffRecord back = read_height_diff(f, rec);
        EXPECT_EQ(back.to, rec);
        EXPECT_EQ(back.dh, 0.4743f);
        EXPECT_EQ(back.distance, 812.25);
    }
    HeightDiffRecord never = read_height_diff(f, beyond + 5);
    EXPECT_EQ(never.from, 0);
    EXPECT_EQ(never.distance, 0.0);
    f.close_delete();
}

// A file written only forwards reaches the disk through a second thread:
// written over an old, longer file it holds exactly the new lines, in order,
// after a flush for another reader and after the close; many buffers' worth
// make the writer wait for the thread. A device is written, not emptied.
TEST(SeqFile, WrittenForwardsOverAnOldFileThroughTheWritingThread) {
    TempDir dir;
    write_file("old.prt", std::string(3'000'000, 'x'));
    SeqFile f;
    ASSERT_TRUE(f.open("old.prt", SeqFile::Mode::Replace));
    std::string expected;
    for (int i = 0; i < 30'000; ++i) {
        const std::string line = "LINE " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 130), '.');
        f.write_line(line);
        expected += line + "\n";
        if (i == 99) {
            f.flush();
            EXPECT_EQ(read_file("old.prt"), expected);
        }
    }
    f.finish();
    EXPECT_EQ(read_file("old.prt"), expected);

    SeqFile device;
    ASSERT_TRUE(device.open("/dev/null", SeqFile::Mode::Replace));
    device.write_line("nothing kept");
    device.finish();

    // A write the thread could not make stops the run at a later line.
    SeqFile full;
    ASSERT_TRUE(full.open("/dev/full", SeqFile::Mode::Replace));
    std::string message;
    try {
        for (int i = 0; i < 100'000; ++i) full.write_line(std::string(132, ' '));
    } catch (const FatalStop& stop) {
        message = stop.console_message();
    }
    EXPECT_EQ(message, " Unable to write /dev/full: No space left on device");
}
