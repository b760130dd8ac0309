// Tags travel from inputs tagged by independent tools to every output format, read back by
// ffprobe and ffmpeg; the encoder levels and bit rate cap as peers measure them.
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>

#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

namespace fs = std::filesystem;
using test::RunCommand;
using test::RunConverter;
using test::ShellQuote;
using TFields = std::map<std::string, std::string>;

constexpr int32_t Frames = 44100;
const std::string Title = "Grüße – ✓ 標題";

// The fields as every test input carries them, under the names ffprobe gives after Normalised.
const TFields AllFields = {
    {"title", Title}, {"artist", "Ärtist"}, {"album", "Album"}, {"album_artist", "AA"}, {"track", "3/12"},
    {"disc", "1/2"},  {"date", "2001"},     {"genre", "Rock"},  {"comment", "Hello"},   {"composer", "Comp"}};
// What a WAV file's LIST/INFO chunk holds.
const std::set<std::string> InfoFields = {"title", "artist", "album", "track", "date", "genre", "comment"};

// One name per field whatever the format calls it, numbers joined with their totals.
TFields Normalised(const TFields& Raw) {
    static const std::map<std::string, std::string> Aliases = {{"albumartist", "album_artist"},
                                                               {"album artist", "album_artist"},
                                                               {"tracknumber", "track"},
                                                               {"discnumber", "disc"},
                                                               {"year", "date"}};
    TFields Fields;
    for (auto [Key, Value] : Raw) {
        std::string Name;
        for (char C : Key) Name += char(std::tolower(static_cast<unsigned char>(C)));
        if (Aliases.contains(Name)) Name = Aliases.at(Name);
        Fields[Name] = Value;
    }
    for (auto [Number, Total] : {std::pair{"track", "tracktotal"}, {"disc", "disctotal"}})
        if (Fields.contains(Total)) {
            Fields[Number] += "/" + Fields[Total];
            Fields.erase(Total);
        }
    return Fields;
}

// Format and first-stream tags as ffprobe reads them.
TFields ProbeTags(const std::string& File) {
    TFields Raw;
    for (const auto& [Name, Value] : test::ProbeEntries(File, "format_tags:stream_tags"))
        if (Name.starts_with("TAG:")) Raw[Name.substr(4)] = Value;
    TFields Wanted;
    for (auto& [Name, Value] : Normalised(Raw))
        if (AllFields.contains(Name)) Wanted[Name] = Value;
    return Wanted;
}

// The attached picture's bytes as ffmpeg extracts them; empty when there is none.
std::vector<uint8_t> ProbePicture(const std::string& File, const test::TTempDir& Dir) {
    std::string Picture = Dir.File("extracted.img");
    fs::remove(Picture);
    if (RunCommand("ffmpeg -v error -y -i " + ShellQuote(File) + " -an -c:v copy -f image2 " +
                   ShellQuote(Picture)) != 0)
        return {};
    return test::ReadFileBytes(Picture);
}

// Every field as Vorbis comment arguments, each after Option.
std::string VorbisComments(const std::string& Option) {
    std::string Arguments;
    for (auto [Name, Value] : {std::pair{"TITLE", Title},
                               {"ARTIST", "Ärtist"},
                               {"ALBUM", "Album"},
                               {"ALBUMARTIST", "AA"},
                               {"TRACKNUMBER", "3"},
                               {"TRACKTOTAL", "12"},
                               {"DISCNUMBER", "1"},
                               {"DISCTOTAL", "2"},
                               {"DATE", "2001"},
                               {"GENRE", "Rock"},
                               {"COMMENT", "Hello"},
                               {"COMPOSER", "Comp"}})
        Arguments += " " + Option + ShellQuote(std::string(Name) + "=" + Value);
    return Arguments;
}

struct TTaggedInput {
    const char* Name;
    TFields Fields; // what its tag holds
    bool Picture;
};

TFields Only(const std::set<std::string>& Names) {
    TFields Fields;
    for (const auto& Name : Names) Fields[Name] = AllFields.at(Name);
    return Fields;
}

class CopyTags : public testing::Test {
protected:
    void SetUp() override {
        for (const char* Tool : {"ffmpeg", "ffprobe", "metaflac", "vorbiscomment", "mid3v2", "id3v2", "lame",
                                 "oggenc", "opusenc"})
            if (!test::ToolAvailable(Tool)) GTEST_SKIP() << Tool << " is missing";
        test::WritePcmWav(Dir.File("source.wav"), test::MusicLikeSignal(Frames, 2, 44100), 2, 44100);
        // A small PNG made by ffmpeg: real image bytes that must arrive unchanged.
        ASSERT_EQ(
            RunCommand("ffmpeg -v error -f lavfi -i testsrc=size=32x24 -frames:v 1 -y " + ShellQuote(Cover)),
            0);
    }

    // Makes every tagged input; returns them with what each holds.
    std::vector<TTaggedInput> MakeInputs() {
        std::vector<TTaggedInput> Inputs;
        fs::create_directories(Dir.File("in"));
        const TFields& All = AllFields;
        std::string Wav = ShellQuote(Dir.File("source.wav"));
        std::string Png = ShellQuote(Cover);

        std::string Flac = Dir.File("in/flac.flac");
        EXPECT_EQ(RunCommand("flac -s -f -o " + ShellQuote(Flac) + " " + Wav), 0);
        EXPECT_EQ(RunCommand("metaflac" + VorbisComments("--set-tag=") + " --import-picture-from=" +
                             ShellQuote("3|image/png|front||" + Cover) + " " + ShellQuote(Flac)),
                  0);
        Inputs.push_back({"flac.flac", All, true});

        std::string V24 = Dir.File("in/v24.mp3");
        EXPECT_EQ(RunCommand("lame --silent -b 128 " + Wav + " " + ShellQuote(V24)), 0);
        EXPECT_EQ(RunCommand("mid3v2 -t " + ShellQuote(Title) +
                             " -a Ärtist -A Album -T 3/12 -y 2001 -g Rock -c Hello "
                             "--TPE2 AA --TPOS 1/2 --TCOM Comp -p " +
                             ShellQuote(Cover + ":front:3:image/png") + " " + ShellQuote(V24)),
                  0);
        Inputs.push_back({"v24.mp3", All, true});

        // ID3v2.3 in UTF-16, written by mutagen.
        std::string V23 = Dir.File("in/v23.mp3");
        EXPECT_EQ(RunCommand("lame --silent -b 128 " + Wav + " " + ShellQuote(V23)), 0);
        std::string Id3Script =
            "import sys\nfrom mutagen.id3 import ID3, TIT2, TPE1, TALB, TPE2, TRCK, TPOS, TDRC, TCON, COMM, "
            "TCOM, APIC\nt = ID3()\n"
            "for f in [TIT2(text=sys.argv[2]), TPE1(text='Ärtist'), TALB(text='Album'), TPE2(text='AA'),"
            " TRCK(text='3/12'), TPOS(text='1/2'), TDRC(text='2001'), TCON(text='Rock'),"
            " COMM(lang='eng', desc='', text='Hello'), TCOM(text='Comp'),"
            " APIC(mime='image/png', type=3, desc='front', data=open(sys.argv[3], 'rb').read())]:\n"
            "    f.encoding = 1\n    t.add(f)\n"
            "t.save(sys.argv[1], v2_version=3)\n";
        test::WriteFileBytes(Dir.File("id3.py"), {Id3Script.begin(), Id3Script.end()});
        EXPECT_EQ(RunCommand("/usr/bin/python3 " + ShellQuote(Dir.File("id3.py")) + " " + ShellQuote(V23) +
                             " " + ShellQuote(Title) + " " + Png),
                  0);
        Inputs.push_back({"v23.mp3", All, true});

        // ID3v1 alone: Latin-1 text, a track number without a total.
        std::string V1 = Dir.File("in/v1.mp3");
        EXPECT_EQ(RunCommand("lame --silent -b 128 " + Wav + " " + ShellQuote(V1)), 0);
        EXPECT_EQ(
            RunCommand("id3v2 -1 -t Plain -a Artist -A Album -T 3 -y 2001 -g 17 -c Hello " + ShellQuote(V1)),
            0);
        Inputs.push_back({"v1.mp3",
                          {{"title", "Plain"},
                           {"artist", "Artist"},
                           {"album", "Album"},
                           {"track", "3"},
                           {"date", "2001"},
                           {"genre", "Rock"},
                           {"comment", "Hello"}},
                          false});

        std::string Ogg = Dir.File("in/vorbis.ogg");
        EXPECT_EQ(RunCommand("oggenc -Q -o " + ShellQuote(Ogg) + " " + Wav), 0);
        EXPECT_EQ(RunCommand("vorbiscomment -w" + VorbisComments("-t ") + " " + ShellQuote(Ogg)), 0);
        Inputs.push_back({"vorbis.ogg", All, false});

        std::string Opus = Dir.File("in/opus.opus");
        EXPECT_EQ(RunCommand("opusenc --quiet" + VorbisComments("--comment ") + " --picture " + Png + " " +
                             Wav + " " + ShellQuote(Opus)),
                  0);
        Inputs.push_back({"opus.opus", All, true});

        // Monkey's Audio from our own encoder, tagged by mutagen's APEv2 writer.
        std::string Ape = Dir.File("in/monkey.ape");
        EXPECT_EQ(RunConverter("-q --no-copy-tags -f ape -o " + ShellQuote(Dir.File("ape")) + " " + Wav), 0);
        fs::rename(Dir.File("ape/source.ape"), Ape);
        std::string Script =
            "import sys, mutagen.apev2 as a\n"
            "t = a.APEv2()\n"
            "for k, v in [('Title', sys.argv[2]), ('Artist', 'Ärtist'), ('Album', 'Album'),"
            " ('Album Artist', 'AA'), ('Track', '3/12'), ('Disc', '1/2'), ('Year', '2001'),"
            " ('Genre', 'Rock'), ('Comment', 'Hello'), ('Composer', 'Comp')]: t[k] = v\n"
            "t['Cover Art (Front)'] = a.APEValue(b'cover.png\\0' + open(sys.argv[3], 'rb').read(),"
            " a.BINARY)\n"
            "t.save(sys.argv[1])\n";
        test::WriteFileBytes(Dir.File("tag.py"), {Script.begin(), Script.end()});
        EXPECT_EQ(RunCommand("/usr/bin/python3 " + ShellQuote(Dir.File("tag.py")) + " " + ShellQuote(Ape) +
                             " " + ShellQuote(Title) + " " + Png),
                  0);
        Inputs.push_back({"monkey.ape", All, true});

        EXPECT_EQ(
            RunCommand(
                "ffmpeg -v error -y -i " + Wav + " -c copy -metadata title=" + ShellQuote(Title) +
                " -metadata artist=Ärtist -metadata album=Album -metadata track=3/12 -metadata date=2001"
                " -metadata genre=Rock -metadata comment=Hello " +
                ShellQuote(Dir.File("in/info.wav"))),
            0);
        Inputs.push_back({"info.wav", Only(InfoFields), false});

        // Read through FFmpeg: WMA, whose tags TagLib reads too, and Matroska, which only FFmpeg reads.
        for (const char* Name : {"wma.wma", "mkv.mkv"}) {
            EXPECT_EQ(
                RunCommand("ffmpeg -v error -y -i " + Wav + " -c:a " + (Name[0] == 'w' ? "wmav2" : "flac") +
                           " -metadata title=" + ShellQuote(Title) +
                           " -metadata artist=Ärtist -metadata album=Album -metadata album_artist=AA"
                           " -metadata track=3/12 -metadata disc=1/2 -metadata date=2001 -metadata genre=Rock"
                           " -metadata comment=Hello -metadata composer=Comp " +
                           ShellQuote(Dir.File("in/") + Name)),
                0);
            Inputs.push_back({Name, All, false});
        }
        return Inputs;
    }

    test::TTempDir Dir;
    std::string Cover = Dir.File("cover.png");
};

TEST_F(CopyTags, EveryFieldAndThePictureReachEveryOutput) {
    auto Inputs = MakeInputs();
    auto CoverBytes = test::ReadFileBytes(Cover);
    // The inputs as the tools wrote them hold what the table says.
    for (const auto& Input : Inputs) {
        EXPECT_EQ(ProbeTags(Dir.File("in/") + Input.Name), Input.Fields) << Input.Name;
    }
    for (const char* Output : {"mp3", "ogg", "flac", "ape", "wav", "opus"}) {
        std::string OutDir = Dir.File(std::string("out-") + Output);
        ASSERT_EQ(RunConverter(std::string("-q --copy-tags -f ") + Output + " -o " + ShellQuote(OutDir) +
                               " " + ShellQuote(Dir.File("in"))),
                  0)
            << Output;
        bool Wav = std::string(Output) == "wav";
        for (const auto& Input : Inputs) {
            SCOPED_TRACE(std::string(Input.Name) + " -> " + Output);
            std::string File = OutDir + "/" + fs::path(Input.Name).stem().string() + "." + Output;
            TFields Expected;
            for (const auto& [Name, Value] : Input.Fields)
                if (!Wav || InfoFields.contains(Name)) Expected[Name] = Value;
            EXPECT_EQ(ProbeTags(File), Expected);
            EXPECT_EQ(ProbePicture(File, Dir), Input.Picture && !Wav ? CoverBytes : std::vector<uint8_t>{});
            // The tag in front leaves the LAME/Info frame valid: a gapless decode keeps every frame.
            // Lossy inputs decode at rates and lengths of their own.
            const std::string Ext = fs::path(Input.Name).extension().string();
            if (std::string(Output) == "mp3" && Ext != ".mp3" && Ext != ".ogg" && Ext != ".opus" &&
                Ext != ".wma") {
                std::string Decoded = Dir.File("decoded.wav");
                ASSERT_EQ(RunCommand("mpg123 -q -w " + ShellQuote(Decoded) + " " + ShellQuote(File)), 0);
                EXPECT_EQ(test::ReadFileBytes(Decoded).size() - 44, size_t(Frames) * 4);
            }
        }
    }
    // Without the option no tag and no picture appears.
    for (const char* Output : {"mp3", "ogg", "flac", "ape", "wav", "opus"}) {
        std::string File = Dir.File(std::string("plain/flac.") + Output);
        ASSERT_EQ(RunConverter(std::string("-q --no-copy-tags -f ") + Output + " -o " +
                               ShellQuote(Dir.File("plain")) + " " + ShellQuote(Dir.File("in/flac.flac"))),
                  0);
        EXPECT_TRUE(ProbeTags(File).empty()) << Output;
        EXPECT_TRUE(ProbePicture(File, Dir).empty()) << Output;
    }
}

TEST_F(CopyTags, InfoShowsTheTagAFileReallyHas) {
    auto Inputs = MakeInputs();
    // Beside an ID3v1 tag of other text, the ID3v2 tag is the one shown.
    ASSERT_EQ(RunCommand("id3v2 -1 -t Old -a Old " + ShellQuote(Dir.File("in/v24.mp3"))), 0);
    for (const char* Name : {"v24.mp3", "v23.mp3", "monkey.ape", "info.wav", "opus.opus"}) {
        std::string Out;
        RunConverter("--info " + ShellQuote(Dir.File(std::string("in/") + Name)), &Out);
        EXPECT_NE(Out.find("Title: " + Title + "\n"), std::string::npos) << Name << "\n" << Out;
        EXPECT_NE(Out.find("Artist: Ärtist\n"), std::string::npos) << Name;
        EXPECT_NE(Out.find("Date / year: 2001\n"), std::string::npos) << Name;
    }
}

int32_t ProbeBitrateKbps(const std::string& File) {
    return int32_t(
        std::lround(std::atof(test::ProbeEntries(File, "stream=bit_rate")["bit_rate"].c_str()) / 1000.0));
}

TEST_F(CopyTags, CapBitrateKeepsALossyInputsLowerRate) {
    std::string Wav = ShellQuote(Dir.File("source.wav"));
    ASSERT_EQ(RunCommand("lame --silent -b 96 " + Wav + " " + ShellQuote(Dir.File("low.mp3"))), 0);
    ASSERT_EQ(RunCommand("flac -s -f -o " + ShellQuote(Dir.File("lossless.flac")) + " " + Wav), 0);
    ASSERT_EQ(RunConverter("-q -f mp3 -l 192k --cap-bitrate -o " + ShellQuote(Dir.File("out")) + " " +
                           ShellQuote(Dir.File("low.mp3")) + " " + ShellQuote(Dir.File("lossless.flac"))),
              0);
    EXPECT_EQ(ProbeBitrateKbps(Dir.File("out/low.mp3")), 96);
    EXPECT_EQ(ProbeBitrateKbps(Dir.File("out/lossless.mp3")), 192);
}

} // namespace
} // namespace deraz
