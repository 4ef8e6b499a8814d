#include "platform/CompoundStorage.h"
#include "support/TempDir.h"

#include <gsf/gsf.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace quarn {
namespace {

namespace fs = std::filesystem;

std::string ReadAllOf(const std::shared_ptr<IStream>& stream) {
    return stream ? stream->Read(static_cast<std::size_t>(stream->Size())) : std::string("<missing>");
}

void WriteStream(IStorage& storage, std::string_view name, std::string_view bytes) {
    storage.CreateStream(name)->Write(bytes);
}

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

class CompoundStorageTest : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path file = dir / "Stations.qvd";
};

TEST_F(CompoundStorageTest, EverythingWrittenIsReadBackAfterReopening) {
    const std::string big = Pattern(70000);
    {
        auto compound = CompoundFile::Create(file, false);
        auto root = compound->Root();
        auto station = root->CreateStorage("DL1ABC-3");
        WriteStream(*station, "N", "Name \xE4\xF6\xFC");
        station->CreateStream("C"); // empty
        WriteStream(*station, "BIG", big);
        WriteStream(*station, "EXACT", Pattern(4096)); // just at the mini-stream limit
        auto nested = station->CreateStorage("Nested");
        WriteStream(*nested, "Inner", std::string("a\0b", 3));
        root->CreateStorage("EMPTY");
        WriteStream(*root, "\x05SummaryInformation", "props");
        WriteStream(*root, std::string(31, 'L'), "longest name");
        compound->Commit();
    }
    auto compound = CompoundFile::Open(file);
    auto root = compound->Root();
    auto station = root->OpenStorage("DL1ABC-3");
    ASSERT_TRUE(station);
    EXPECT_EQ(ReadAllOf(station->OpenStream("N")), "Name \xE4\xF6\xFC");
    EXPECT_EQ(ReadAllOf(station->OpenStream("C")), "");
    EXPECT_EQ(ReadAllOf(station->OpenStream("BIG")), big);
    EXPECT_EQ(ReadAllOf(station->OpenStream("EXACT")), Pattern(4096));
    EXPECT_EQ(ReadAllOf(station->OpenStorage("Nested")->OpenStream("Inner")), std::string("a\0b", 3));
    ASSERT_TRUE(root->OpenStorage("EMPTY"));
    EXPECT_TRUE(root->OpenStorage("EMPTY")->EnumElements().empty());
    EXPECT_EQ(ReadAllOf(root->OpenStream("\x05SummaryInformation")), "props");
    EXPECT_EQ(ReadAllOf(root->OpenStream(std::string(31, 'L'))), "longest name");
    // Shorter names first, then by upper-case characters, as the format orders them.
    std::vector<std::string> names;
    for (const StgElement& element : station->EnumElements()) {
        names.push_back(element.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"C", "N", "BIG", "EXACT", "Nested"}));
}

TEST_F(CompoundStorageTest, NamesAreComparedWithoutCaseAndKeptAsWritten) {
    auto root = CompoundFile::Create(file, false)->Root();
    WriteStream(*root, "PUBdl1abc", "one");
    EXPECT_EQ(ReadAllOf(root->OpenStream("PUBDL1ABC")), "one");
    WriteStream(*root, "PUBDL1ABC", "two"); // replaces, does not add
    ASSERT_EQ(root->EnumElements().size(), 1u);
    EXPECT_EQ(root->EnumElements()[0].name, "PUBDL1ABC");
    EXPECT_EQ(ReadAllOf(root->OpenStream("pubdl1abc")), "two");
    EXPECT_FALSE(root->OpenStorage("PUBDL1ABC")) << "a stream is not a storage";
}

TEST_F(CompoundStorageTest, NamesTheFormatCannotHoldAreRefused) {
    auto root = CompoundFile::Create(file, false)->Root();
    for (const std::string& name : {std::string(), std::string(32, 'X'), std::string("DL1ABC/P"),
                                    std::string("A\\B"), std::string("A:B"), std::string("A!B")}) {
        SCOPED_TRACE(name);
        try {
            root->CreateStorage(name);
            ADD_FAILURE() << "accepted";
        } catch (const EStorageError& error) {
            EXPECT_EQ(error.error(), StgError::InvalidName);
        }
        EXPECT_THROW(root->CreateStream(name), EStorageError);
        EXPECT_FALSE(root->OpenStorage(name));
        EXPECT_FALSE(root->DestroyElement(name));
    }
}

TEST_F(CompoundStorageTest, TheFileIsLockedWhileOpenAndAcrossCommits) {
    auto first = CompoundFile::Create(file, false);
    const auto expectShareViolation = [&] {
        try {
            CompoundFile::Open(file);
            ADD_FAILURE() << "second open succeeded";
        } catch (const EStorageError& error) {
            EXPECT_EQ(error.error(), StgError::ShareViolation);
        }
    };
    expectShareViolation();
    first->Root()->CreateStorage("X");
    first->Commit();
    expectShareViolation();
    first.reset();
    EXPECT_TRUE(CompoundFile::Open(file)->Root()->OpenStorage("X"));
}

TEST_F(CompoundStorageTest, CommitWritesAnOwnerOnlyFileAndLeavesNoTemporaryFiles) {
    { std::ofstream(file) << ""; }
    ::chmod(file.c_str(), 0644);
    auto compound = CompoundFile::Create(file, true);
    compound->Root()->CreateStorage("A");
    EXPECT_TRUE(compound->HasChanges());
    compound->Commit();
    EXPECT_FALSE(compound->HasChanges());
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(CompoundStorageTest, CreateWithoutReplaceRefusesAnExistingFile) {
    std::ofstream(file) << "keep me";
    try {
        CompoundFile::Create(file, false);
        ADD_FAILURE() << "replaced";
    } catch (const EStorageError& error) {
        EXPECT_EQ(error.error(), StgError::FileAlreadyExists);
    }
    std::ifstream in(file);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "keep me");
}

TEST_F(CompoundStorageTest, FilesThatAreNotCompoundFilesAreTold) {
    struct Case {
        std::string content;
        StgError error;
    };
    const std::string signature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    for (const Case& c :
         {Case{"", StgError::FileAlreadyExists}, Case{"plain text", StgError::FileAlreadyExists},
          Case{signature + std::string(600, '\x7F'), StgError::DocfileCorrupt}}) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << c.content;
        EXPECT_EQ(CompoundFile::IsStorageFile(file), c.content.starts_with(signature));
        try {
            CompoundFile::Open(file);
            ADD_FAILURE() << "opened";
        } catch (const EStorageError& error) {
            EXPECT_EQ(error.error(), c.error);
        }
    }
    try {
        CompoundFile::Open(dir / "missing.qvd");
        ADD_FAILURE() << "opened";
    } catch (const EStorageError& error) {
        EXPECT_EQ(error.error(), StgError::FileNotFound);
        EXPECT_STREQ(StgErrorName(error.error()), "STG_E_FILENOTFOUND");
    }
}

TEST_F(CompoundStorageTest, AFileCutShortOpensOnlyWhenSalvagingWithItsLostStreamsEmpty) {
    {
        auto compound = CompoundFile::Create(file, false);
        auto root = compound->Root();
        for (int i = 0; i < 20; ++i) {
            auto station = root->CreateStorage("ST" + std::to_string(i));
            WriteStream(*station, "N", "name " + std::to_string(i));
            WriteStream(*station, "BIG", Pattern(5000));
        }
        compound->Commit();
    }
    // The big streams lie at the end of the file, in the order of their storages: the last one is lost.
    fs::resize_file(file, fs::file_size(file) - 2000);
    try {
        CompoundFile::Open(file);
        ADD_FAILURE() << "opened";
    } catch (const EStorageError& error) {
        EXPECT_EQ(error.error(), StgError::DocfileCorrupt);
    }
    auto compound = CompoundFile::Open(file, CompoundReadMode::Salvage);
    EXPECT_EQ(compound->UnreadableStreams(), 1u);
    auto root = compound->Root();
    ASSERT_EQ(root->EnumElements().size(), 20u);
    int lost = 0;
    for (int i = 0; i < 20; ++i) {
        auto station = root->OpenStorage("ST" + std::to_string(i));
        ASSERT_TRUE(station);
        EXPECT_EQ(ReadAllOf(station->OpenStream("N")), "name " + std::to_string(i));
        const std::string big = ReadAllOf(station->OpenStream("BIG"));
        lost += big.empty() ? 1 : 0;
        EXPECT_TRUE(big.empty() || big == Pattern(5000)) << i;
    }
    EXPECT_EQ(lost, 1);
}

TEST_F(CompoundStorageTest, OpeningRemovesTemporaryFilesThatNoLiveWriterHolds) {
    CompoundFile::Create(file, false).reset();
    // What killed commits leave: whole copies under the temporary name pattern of the writer.
    const std::vector<std::string> stale{"Stations.qvd.AbC123", "Stations.qvd.zzzzzz", "Stations.qvd.000000"};
    // Names of other things, a folder, a link and the temporary file of a live writer stay.
    const std::vector<std::string> kept{"Stations.qvd.AbC12",  "Stations.qvd.AbC1234", "Stations.qvd.bak",
                                        "Stations.qvd.Ab-123", "Other.qvd.AbC123",     "Stations.qvdAbC123",
                                        "Stations.qvd.LIVE01"};
    for (const std::string& name : stale) {
        std::ofstream(dir / name) << "passwords";
    }
    for (const std::string& name : kept) {
        std::ofstream(dir / name) << "other";
    }
    fs::create_directory(dir / "Stations.qvd.DIR123");
    fs::create_symlink(dir / "Stations.qvd.bak", dir / "Stations.qvd.LNK123");
    FileDescriptor live(::open((dir / "Stations.qvd.LIVE01").c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_TRUE(live);
    ASSERT_EQ(::flock(live.get(), LOCK_EX | LOCK_NB), 0);

    auto compound = CompoundFile::Open(file);
    for (const std::string& name : stale) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir / name))) << name;
    }
    for (const std::string& name : kept) {
        EXPECT_TRUE(fs::exists(dir / name)) << name;
    }
    EXPECT_TRUE(fs::is_directory(dir / "Stations.qvd.DIR123"));
    EXPECT_TRUE(fs::is_symlink(dir / "Stations.qvd.LNK123"));
    // Our own commits still work beside the live writer's file, and clean up after themselves.
    compound->Root()->CreateStorage("A");
    compound->Commit();
    EXPECT_TRUE(CompoundFile::IsStorageFile(file));
    live.reset();
    compound.reset();
    CompoundFile::Open(file).reset();
    EXPECT_FALSE(fs::exists(dir / "Stations.qvd.LIVE01")) << "stale once its writer has gone";
}

// A file made by another writer opens (libgsf links every element of a storage into one chain).
TEST_F(CompoundStorageTest, AFileWrittenByLibgsfOpens) {
    const std::string big = Pattern(10000);
    {
        GError* error = nullptr;
        GsfOutput* sink = gsf_output_stdio_new(file.c_str(), &error);
        ASSERT_NE(sink, nullptr);
        GsfOutfile* outfile = gsf_outfile_msole_new(sink);
        g_object_unref(sink);
        const auto writeStream = [](GsfOutput* storage, const char* name, const std::string& bytes) {
            GsfOutput* stream = gsf_outfile_new_child(GSF_OUTFILE(storage), name, FALSE);
            gsf_output_write(stream, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()));
            gsf_output_close(stream);
            g_object_unref(stream);
        };
        for (int i = 0; i < 50; ++i) {
            const std::string name = "DB" + std::to_string(i) + "XY";
            GsfOutput* station = gsf_outfile_new_child(outfile, name.c_str(), TRUE);
            writeStream(station, "N", name);
            writeStream(station, "BIG", big);
            gsf_output_close(station);
            g_object_unref(station);
        }
        gsf_output_close(GSF_OUTPUT(outfile));
        g_object_unref(outfile);
    }
    auto root = CompoundFile::Open(file)->Root();
    EXPECT_EQ(root->EnumElements().size(), 50u);
    EXPECT_EQ(ReadAllOf(root->OpenStorage("db17xy")->OpenStream("N")), "DB17XY");
    EXPECT_EQ(ReadAllOf(root->OpenStorage("DB49XY")->OpenStream("BIG")), big);
}

// An independent reader (python3-olefile) must see exactly what we wrote, including a file large
// enough to need the extra FAT index sectors.
TEST_F(CompoundStorageTest, AnIndependentReaderReadsOurFile) {
    const char* interpreter = nullptr;
    for (const char* candidate : {"python3", "/usr/bin/python3"}) {
        const std::string probe = std::string(candidate) + " -c 'import olefile' >/dev/null 2>&1";
        if (std::system(probe.c_str()) == 0) {
            interpreter = candidate;
            break;
        }
    }
    if (interpreter == nullptr) {
        GTEST_SKIP() << "python3 with olefile not installed";
    }
    {
        auto compound = CompoundFile::Create(file, false);
        auto root = compound->Root();
        for (int i = 0; i < 1500; ++i) {
            auto station = root->CreateStorage("ST" + std::to_string(i));
            WriteStream(*station, "N", "name " + std::to_string(i));
            WriteStream(*station, "T", std::string("\x02\x01", 2));
            if (i % 100 == 0) {
                station->CreateStream("E"); // empty streams have no sectors
            }
        }
        WriteStream(*root->CreateStorage("HUGE"), "DATA", Pattern(8 * 1024 * 1024));
        compound->Commit();
    }
    const fs::path script = dir / "check.py";
    std::ofstream(script) << R"(import olefile, sys
o = olefile.OleFileIO(sys.argv[1])
n = 0
for i in range(1500):
    assert o.openstream('ST%d/N' % i).read() == b'name %d' % i, i
    assert o.openstream('ST%d/T' % i).read() == b'\x02\x01'
    if i % 100 == 0:
        assert o.openstream('ST%d/E' % i).read() == b''
    n += 1
data = o.openstream('HUGE/DATA').read()
expected = bytes(((i * 7 + i // 251) & 0xFF) for i in range(len(data)))
assert len(data) == 8 * 1024 * 1024 and data == expected
assert len(o.listdir(storages=True)) == 1500 * 3 + 15 + 2
print('ok', n)
)";
    const std::string command =
        std::string(interpreter) + " " + script.string() + " " + file.string() + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    EXPECT_EQ(::pclose(pipe), 0) << output;
    EXPECT_EQ(output, "ok 1500\n");
    // And our own reader copes with the same large file.
    auto root = CompoundFile::Open(file)->Root();
    EXPECT_EQ(ReadAllOf(root->OpenStorage("HUGE")->OpenStream("DATA")), Pattern(8 * 1024 * 1024));
    EXPECT_EQ(ReadAllOf(root->OpenStorage("ST1499")->OpenStream("N")), "name 1499");
}

} // namespace
} // namespace quarn
