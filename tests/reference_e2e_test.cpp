// The built program against a reference: a 100-set synthetic day of each channel, made by
// vornsim and calibrated in batch mode, must give the same products, log, console and stop
// text as the program gave when the reference was taken. The reference keeps only SHA-256
// digests; the time of creation in every RGD history is masked before digesting, as it is
// the only thing that differs between two runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/runprogram.h"
#include "support/sha256.h"
#include "support/tempdir.h"

namespace {

using Digests = std::map<std::string, std::string>;

std::set<std::string> namesIn(const std::filesystem::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.insert(entry.path().filename().string());
    return names;
}

// Every "# time of creation Www Mmm dd hh:mm:ss yyyy" of a history, its 24 characters of
// time blanked to 'X' (the file keeps its length, so every offset after it stays).
std::string withoutCreationTimes(std::string bytes) {
    const std::string mark = "# time of creation ";
    for (std::size_t at = bytes.find(mark); at != std::string::npos; at = bytes.find(mark, at + 1)) {
        const std::size_t from = at + mark.size();
        for (std::size_t i = from; i < from + 24 && i < bytes.size(); ++i) bytes[i] = 'X';
    }
    return bytes;
}

// Writes the day of the channel, runs the program on it and returns the digests of the
// files the run made, of its standard output ("<console>") and of its standard error ("<stop>").
Digests calibratedDay(const testsupport::TempDir& dir, int channel) {
    const std::string tools = TOOLS_BINARY_DIR;
    const std::vector<std::string> day{"--dir", "day", "--channel", std::to_string(channel), "--sets", "100"};
    const testsupport::ProgramResult sim = testsupport::runProgram(tools + "/vornsim", "", dir.path(), day);
    EXPECT_EQ(sim.exitStatus, 0) << sim.err;
    const std::filesystem::path work = dir.path() / "day";
    const std::set<std::string> before = namesIn(work);
    const std::string answers = testsupport::readFile((work / "ANSWERS.TXT").string());
    const testsupport::ProgramResult run = testsupport::runProgram(VORNCALV_BINARY, answers, work);
    Digests digests{{"<console>", testsupport::sha256Hex(run.out)}, {"<stop>", testsupport::sha256Hex(run.err)}};
    for (const std::string& name : namesIn(work)) {
        if (before.count(name) != 0) continue;
        // The log without the lines that date the run and its waits, which no two runs share.
        const std::string path = (work / name).string();
        digests[name] = testsupport::sha256Hex(name.ends_with(".LOG") ? testsupport::readLog(path)
                                                                      : withoutCreationTimes(testsupport::readFile(path)));
    }
    return digests;
}

struct ReferenceDay {
    int channel;
    Digests digests;
};

// Taken from the program before its rooms were rearranged: a changed digest is a change of
// what the program writes, to be made on purpose or not at all. The days are vornsim's
// defaults (2655 points for channel 1, 2531 for channel 2, records 16 and 38 flagged missing).
const ReferenceDay REFERENCE[] = {
    {1,
     {
         {"150417C1.CVS", "565142048ee879e14f22282653c7314079dac95cb1dac23196e7946b45f668f9"},
         {"150417C1.IMC", "25a4cda93f35ec85482d182effeab91c34475a67ef24af3f69ad54826968008b"},
         {"150417C1.LOG", "14438269a82e542124dd6b9b1defea20c2f2c057446afe62c56cb6aa4f794997"},
         {"150417C1.LVF", "bb40b813749612e3dd70842b712d4d3340b5b9c022eca30bdffd0481e3478ae4"},
         {"150417C1.RES", "5ade014ad9e49ee4a6ac6a5d947d4504e5d82032a2f728ec1dbd34ec904ad989"},
         {"150417C1.RLC", "c440f0aa5f3b46d0e759949b55d9cca996c8e072be86669d3c11d7eb7ffaf2a2"},
         {"<console>", "7d1f22586bccdb51f4e35569babb0bc3c078c52f79801d93e4d523b5d17e8e39"},
         {"<stop>", "b64dfbe785a3784f232e0827904c4dfafca23f4f45c1eefd2af2055e444e9109"},
         {"CAVEMIS1.MLT", "231d46d61907e9b0db4bf82d02e7f873ebcb06e37363f2103e0b490c93b7c2b3"},
     }},
    {2,
     {
         {"150417C2.CVS", "97ab1ef72e8a35c8d3346711e9d22e96dd5ebe9f7023b8e9a44c124df38141e1"},
         {"150417C2.IMC", "3c44da9b35a1daf9abaccdd887d24210d48972bc675cf27ab0c88b1f8c86b5c5"},
         {"150417C2.LOG", "bc2c2f85567b0db136a03fac366be5bb75628f3785c32fa48f8ed695f59b6a0f"},
         {"150417C2.LVF", "a1b8c6a76583387aa1201fada73831ae2d201c0eee4f23dcdd98fd1b03d8511e"},
         {"150417C2.RES", "5413cf2489ca769625fee718eca69850139dc68844390ef7d2828080a0b35320"},
         {"150417C2.RLC", "db72ce6fba77d5f88fb9869ec3dd1c591b67c8468b912455b1181a439af01d6b"},
         {"<console>", "6b0cb1af1c5ebe8a7b1e39e819b816ed9180814bbeedcca56510948dd54eb348"},
         {"<stop>", "b64dfbe785a3784f232e0827904c4dfafca23f4f45c1eefd2af2055e444e9109"},
         {"CAVEMIS2.MLT", "df2e4c6760c2ee302108f96f257ada3cc7d58dd9d75b0e68d70d48f3193846f5"},
     }},
};

TEST(ReferenceDays, EachChannelCalibratesToTheReference) {
    for (const ReferenceDay& reference : REFERENCE) {
        SCOPED_TRACE("channel " + std::to_string(reference.channel));
        testsupport::TempDir dir;
        EXPECT_EQ(calibratedDay(dir, reference.channel), reference.digests);
    }
}

// The mask blanks exactly the time of every creation line and nothing else.
TEST(ReferenceDays, MaskBlanksEveryCreationTimeOnly) {
    const std::string text = "a\r\n# time of creation Wed Dec  9 14:45:18 2026\r\nb# time of creation Thu Jan  1 00:00:00 1970";
    EXPECT_EQ(withoutCreationTimes(text), "a\r\n# time of creation XXXXXXXXXXXXXXXXXXXXXXXX\r\nb# time of creation "
                                          "XXXXXXXXXXXXXXXXXXXXXXXX");
}

// The digest is SHA-256 at the lengths where its padding takes one block or two.
TEST(ReferenceDays, DigestIsSha256) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {std::string(1000, 'a'), "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3"},
    };
    for (const auto& [bytes, digest] : cases) EXPECT_EQ(testsupport::sha256Hex(bytes), digest) << bytes.size();
}

}  // namespace
