// The whole program playing generated media: offscreen, sound into a fake sink, real GStreamer.
#include "../engine/media_helpers.h"
#include "../playback/icy_server.h"
#include "prefs/xml_tree.h"
#include "process_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {
const std::string kBinary = ZV_BINARY;

struct Playback : ::testing::Test {
  zvtest::TempDir home;
  std::vector<std::string> Env() const {
    return {"ZELVAR_HOME=" + home.str(), "XDG_RUNTIME_DIR=" + home.file("run"), "XDG_CONFIG_HOME=" + home.file("cfg"),
            "QT_QPA_PLATFORM=offscreen", "ZELVAR_AUDIO_SINK=fakeaudiosink sync=true"};
  }
  // Runs the program on the files, closing it at the end of the list.
  zvtest::RunResult Play(std::vector<std::string> files, std::vector<std::string> env = {}) {
    std::vector<std::string> argv{kBinary};
    argv.insert(argv.end(), files.begin(), files.end());
    argv.push_back("/CLOSE");
    std::vector<std::string> all = Env();
    all.insert(all.end(), env.begin(), env.end());
    return zvtest::RunProgram(argv, all, std::chrono::seconds(60));
  }
  static size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
      ++n;
    return n;
  }
  // The "Zelvar: ..." lines of standard output.
  static std::vector<std::string> Told(const std::string& out) {
    std::vector<std::string> lines;
    size_t i = 0;
    while (i < out.size()) {
      size_t j = out.find('\n', i);
      if (j == std::string::npos)
        j = out.size();
      std::string line = out.substr(i, j - i);
      if (line.rfind("Zelvar: ", 0) == 0)
        lines.push_back(line.substr(8));
      i = j + 1;
    }
    return lines;
  }
};
} // namespace

TEST_F(Playback, AListOfThreeFilesPlaysInOrderAndTheEndActionCloses) {
  auto r = Play({zvtest::Media("mjpg_pcm.avi"), zvtest::Media("vorbis.ogg"), zvtest::Media("theora_vorbis.mkv")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Told(r.out),
            (std::vector<std::string>{"Playing: mjpg_pcm (0:00:03)", "Ended: mjpg_pcm", "Playing: vorbis (0:00:03)",
                                      "Ended: vorbis", "Playing: theora_vorbis (0:00:03)", "Ended: theora_vorbis"}))
      << r.out;
  // "/CLOSE" changes nothing stored; the list is kept for the next start.
  zv::TXMLTree prefs;
  ASSERT_TRUE(prefs.LoadFromFile(home.file("ZV.xml")));
  std::string zvp = zvtest::ReadFile(home.file("ZV.zvp"));
  EXPECT_NE(zvp.find(zvtest::Media("vorbis.ogg")), std::string::npos);
  EXPECT_EQ(zvtest::ReadFile(home.file("ZV.xml")).find("OnPlayListEnd=\"1\""), std::string::npos);
}

TEST_F(Playback, AMissingFileIsReportedAndTheListGoesOn) {
  std::string missing = home.file("not here.avi");
  auto r = Play({zvtest::Media("pcm.wav"), missing, zvtest::Media("xing.mp3")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("Zelvar message: File\"" + missing + "\" was not found."), std::string::npos) << r.err;
  EXPECT_EQ(Told(r.out), (std::vector<std::string>{"Playing: pcm (0:00:03)", "Ended: pcm", "Playing: xing (0:00:03)",
                                                   "Ended: xing"}))
      << r.out;
}

TEST_F(Playback, AnUndecodableStreamNamesItsCodecInTheMessage) {
  auto r = Play({zvtest::Media("unknown_fourcc.avi")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("codecs?vidc=44434241\n" + zvtest::Media("unknown_fourcc.avi")), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("Zelvar message:"), std::string::npos) << "the decoder message is the only one" << r.err;
  EXPECT_TRUE(Told(r.out).empty()) << r.out;
}

TEST_F(Playback, ThePositionAtExitComesBackWithSeekLastPos) {
  zvtest::WriteFile(home.file("ZV.log"), "");
  std::string file = zvtest::Media("theora_vorbis.mkv");
  {
    // Plays for a while, then is told to leave (as by the desktop at logout).
    zvtest::Process p({kBinary, file}, Env(), home.file("out1.txt"), home.file("err1.txt"));
    ASSERT_TRUE(zvtest::WaitForText(home.file("out1.txt"), "Playing: theora_vorbis", std::chrono::seconds(20)));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    p.Signal(SIGTERM);
    int code = -1;
    ASSERT_TRUE(p.WaitExit(std::chrono::seconds(20), code));
    EXPECT_EQ(code, 0);
  }
  std::string ms = zvtest::ReadFile(home.file("ms.xml"));
  size_t at = ms.find("PlayPos=\"");
  ASSERT_NE(at, std::string::npos) << ms;
  long long saved = std::stoll(ms.substr(at + 9));
  EXPECT_GT(saved, 5'000'000); // half a second at least
  EXPECT_LT(saved, 30'000'000);

  // The next start with the preference on opens the file at that position.
  std::string prefs = zvtest::ReadFile(home.file("ZV.xml"));
  zv::TXMLTree doc;
  ASSERT_TRUE(doc.LoadFromFile(home.file("ZV.xml")));
  zv::TXMLNode* onOpen = doc.Root()->FindChild("OnOpen");
  if (!onOpen)
    onOpen = doc.Root()->AddChild("OnOpen");
  onOpen->SetAttr("SeekLastPos", "1");
  doc.SaveToFile(home.file("ZV.xml"));
  zvtest::WriteFile(home.file("ZV.log"), "");
  auto r = Play({file});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::string log = zvtest::ReadFile(home.file("ZV.log"));
  EXPECT_NE(log.find(" = Pos(" + std::to_string(saved) + ")"), std::string::npos) << log.substr(0, 4000);
}

TEST_F(Playback, AFilmInPartsPlaysAsOneWithJoinPartsAndOddAvisThroughTheOwnReader) {
  for (const char* part : {"film1.avi", "film2.avi", "film3.avi"})
    fs::copy_file(zvtest::Media(std::string("avi/") + part), home.file(part));
  // A first start writes the preferences; joining is then switched on.
  auto first = Play({zvtest::Media("avi/hdrl_last.avi")});
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(Told(first.out), (std::vector<std::string>{"Playing: hdrl_last (0:00:06)", "Ended: hdrl_last"}))
      << first.out << first.err;
  zv::TXMLTree doc;
  ASSERT_TRUE(doc.LoadFromFile(home.file("ZV.xml")));
  zv::TXMLNode* modules = doc.Root()->FindChild("Modules");
  ASSERT_NE(modules, nullptr);
  zv::TXMLNode* ds = modules->FindChild("DirectShow");
  ASSERT_NE(ds, nullptr);
  ds->SetAttr("JoinParts", "1");
  doc.SaveToFile(home.file("ZV.xml"));
  zvtest::WriteFile(home.file("ZV.log"), "");
  auto r = Play({home.file("film1.avi")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Told(r.out), (std::vector<std::string>{"Playing: film1 (0:00:12)", "Ended: film1"})) << r.out << r.err;
  std::string log = zvtest::ReadFile(home.file("ZV.log"));
  EXPECT_NE(log.find("MAviSrc.LoadFiles=00000000"), std::string::npos) << log.substr(0, 4000);
}

TEST_F(Playback, TitlesFromTheFilesTagsWhenAskedFor) {
  // What was played, without the lengths.
  auto titles = [](const std::vector<std::string>& told) {
    std::vector<std::string> out;
    for (const std::string& t : told)
      out.push_back(t.substr(0, t.find(" (")));
    return out;
  };
  // A first start writes the preferences; titles from tags are then switched on.
  auto first = Play({zvtest::Media("mediainfo/tags_v24.mp3")});
  EXPECT_EQ(titles(Told(first.out)), (std::vector<std::string>{"Playing: tags_v24", "Ended: tags_v24"}))
      << first.out << first.err;
  zv::TXMLTree doc;
  ASSERT_TRUE(doc.LoadFromFile(home.file("ZV.xml")));
  zv::TXMLNode* list = doc.Root()->FindChild("Playlist");
  ASSERT_NE(list, nullptr);
  list->SetAttr("GetNamesFromFileTags", "1");
  doc.SaveToFile(home.file("ZV.xml"));
  auto r = Play({zvtest::Media("mediainfo/tags_v24.mp3"), zvtest::Media("cbr.mp3")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(titles(Told(r.out)),
            (std::vector<std::string>{"Playing: Ünïcode Band - Café Ñandú", "Ended: Ünïcode Band - Café Ñandú",
                                      "Playing: cbr", "Ended: cbr"}))
      << r.out << r.err;
}

TEST_F(Playback, InfoPrintsTheReportOfTheFirstFileAndLeaves) {
  auto r = zvtest::RunProgram({kBinary, "/INFO", zvtest::Media("mediainfo/tags_v24.mp3"), zvtest::Media("cbr.mp3")},
                              Env(), std::chrono::seconds(30));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("File format: MPEG.Audio (MP1, MP2, MP3)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Artist: Ünïcode Band\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Title: Café Ñandú\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Format: 44100 Hz, Joint Stereo, 128 kbit/s\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("cbr.mp3"), std::string::npos) << "only the first file";
  EXPECT_TRUE(Told(r.out).empty()) << "nothing is played";
  EXPECT_NE(r.out.find(" KB\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find(" KB\n"), r.out.find(".", r.out.find("File size: ")) + 3) << "C locale: a point";

  // Where the user's locale writes decimals with a comma, so do the sizes.
  std::vector<std::string> env = Env();
  env.push_back("LOCPATH=" + zvtest::Media("locale"));
  env.push_back("LC_ALL=de_DE.UTF-8");
  r = zvtest::RunProgram({kBinary, "/INFO", zvtest::Media("mediainfo/tags_v24.mp3")}, env, std::chrono::seconds(30));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  size_t size = r.out.find("File size: ");
  ASSERT_NE(size, std::string::npos) << r.out;
  std::string line = r.out.substr(size, r.out.find('\n', size) - size);
  EXPECT_NE(line.find(','), std::string::npos) << line;
  EXPECT_EQ(line.find('.'), std::string::npos) << line;
  EXPECT_NE(r.out.find("Format: 44100 Hz, Joint Stereo, 128 kbit/s\n"), std::string::npos) << "integers unchanged";
}

TEST_F(Playback, EveryFailureNamesItsCauseOnce) {
  // Files that are no media: one message each, and no talk of decoders.
  zvtest::WriteFile(home.file("empty.avi"), "");
  zvtest::WriteFile(home.file("text.avi"), "this is a letter, not a film\n");
  auto r = Play({home.file("empty.avi"), home.file("text.avi")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(Count(r.err, "Zelvar message: Cannot play this file: it is not a media file."), 2u) << r.err;
  EXPECT_EQ(Count(r.err, "decoder"), 0u) << r.err;
  // Without a sound device the pictures play, the user is told once, and a sound file says why
  // it cannot play.
  auto s = Play({zvtest::Media("mjpg_pcm.avi"), zvtest::Media("avi/film1.avi"), zvtest::Media("pcm.wav")},
                {"ZELVAR_AUDIO_SINK=alsasink device=hw:99,0"});
  EXPECT_EQ(s.exitCode, 0);
  EXPECT_EQ(Told(s.out), (std::vector<std::string>{"Playing: mjpg_pcm (0:00:03)", "Ended: mjpg_pcm",
                                                   "Playing: film1 (0:00:04)", "Ended: film1"}))
      << s.out << s.err;
  EXPECT_EQ(Count(s.err, "No sound output device was found."), 2u) << s.err;
  EXPECT_EQ(Count(s.err, "Files play without sound"), 1u) << s.err;
  EXPECT_EQ(Count(s.err, "decoder"), 0u) << s.err;
}

TEST_F(Playback, StreamsThatCannotPlayEndWithTheirCauseAndTheListGoesOn) {
  using Kind = zvtest::StreamScript::Kind;
  auto server = [](Kind kind, std::string location = {}) {
    zvtest::StreamScript s;
    s.kind = kind;
    s.location = std::move(location);
    return std::make_unique<zvtest::StreamServer>(s);
  };
  auto notFound = server(Kind::Status);
  auto garbage = server(Kind::Garbage);
  auto page = server(Kind::Page);
  auto loop = server(Kind::Redirect);
  auto ftp = server(Kind::Redirect, "ftp://127.0.0.1/a.mp3");
  struct Case {
    std::string url, cause;
  };
  const std::vector<Case> cases = {
      {zvtest::StreamServer::RefusingUrl(), "connection refused"},
      {notFound->Url(), "HTTP 404"},
      {garbage->Url(), "the server's answer is not an HTTP or ICY answer"},
      {page->Url(), "not a media stream"},
      {loop->Url(), "a redirection that leads in a loop or away from http and https"},
      {ftp->Url(), "a redirection that leads in a loop or away from http and https"},
      // Names that would read a descriptor or open a device are refused before anything opens.
      {"fd://0", "addresses of this kind are not opened (only network streams and file:// names)"},
      {"v4l2:///dev/video0", "addresses of this kind are not opened (only network streams and file:// names)"},
  };
  zvtest::WriteFile(home.file("ZV.log"), "");
  std::vector<std::string> list;
  for (const Case& c : cases)
    list.push_back(c.url);
  list.push_back(zvtest::Media("pcm.wav"));
  auto r = Play(list);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  for (const Case& c : cases)
    EXPECT_NE(r.err.find("Zelvar message: Cannot play this stream:\n" + c.url + "\n" + c.cause + "\n"),
              std::string::npos)
        << c.url << "\n"
        << r.err;
  EXPECT_EQ(Told(r.out), (std::vector<std::string>{"Playing: pcm (0:00:03)", "Ended: pcm"})) << r.out;
  EXPECT_EQ(r.err.find("CRITICAL"), std::string::npos) << r.err;
  std::string log = zvtest::ReadFile(home.file("ZV.log"));
  EXPECT_EQ(log.find("RenderFile(\"fd://0\")"), std::string::npos) << "refused before anything was opened";
  EXPECT_EQ(log.find("SetRate"), std::string::npos);
}

TEST_F(Playback, AStreamIsReachedWithoutHoldingUpTheProgram) {
  // The server never answers: exit at any moment of the connection ends the program at once.
  zvtest::StreamScript silent;
  silent.kind = zvtest::StreamScript::Kind::Silent;
  zvtest::StreamServer server(silent);
  zvtest::WriteFile(home.file("ZV.log"), "");
  zvtest::Process p({kBinary, server.Url()}, Env(), home.file("out.txt"), home.file("err.txt"));
  ASSERT_TRUE(zvtest::WaitForText(home.file("ZV.log"), "TPlayer.PlayFile: connecting", std::chrono::seconds(20)));
  p.Signal(SIGTERM);
  int code = -1;
  ASSERT_TRUE(p.WaitExit(std::chrono::seconds(5), code));
  EXPECT_EQ(code, 0);
  EXPECT_NE(zvtest::ReadFile(home.file("ZV.zvp")).find(server.Url()), std::string::npos) << "the list was saved";

  // "/INFO" describes the address without contacting it.
  int before = server.Connections();
  auto info = zvtest::RunProgram({kBinary, "/INFO", server.Url()}, Env());
  EXPECT_EQ(info.exitCode, 0);
  EXPECT_NE(info.out.find("File name: " + server.Url() + "\nFile format: N/A\n"), std::string::npos) << info.out;
  EXPECT_EQ(server.Connections(), before);
}

TEST_F(Playback, AStreamTitleShowsAsTheCharactersItHolds) {
  // A title that a label would take for markup naming a FIFO: read, it would never return.
  std::string fifo = home.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string title = "<img src=\"" + fifo + "\"><b>x</b>";
  zvtest::StreamServer server(zvtest::Station(zvtest::ReadFile(zvtest::Media("cbr.mp3")), {title}));
  zvtest::WriteFile(home.file("ZV.log"), "");
  auto r = Play({server.Url()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Told(r.out),
            (std::vector<std::string>{"Playing: " + server.Url() + " (unknown length)", "Ended: " + server.Url()}))
      << r.out;
  EXPECT_NE(zvtest::ReadFile(home.file("ZV.log")).find("DSH.OnMetadata(" + title + ")"), std::string::npos);
}

TEST_F(Playback, TheDesktopsMediaControlsDriveAPlayingFileThroughMpris) {
  // A session bus of the test's own.
  zvtest::Process bus({"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"}, {}, home.file("bus.txt"),
                      home.file("bus.err"));
  std::string address;
  ASSERT_TRUE(zvtest::WaitUntil(
      [&] {
        address = zvtest::ReadFile(home.file("bus.txt"));
        return address.find('\n') != std::string::npos;
      },
      std::chrono::seconds(10)));
  address = address.substr(0, address.find('\n'));
  std::vector<std::string> env = Env();
  env.push_back("DBUS_SESSION_BUS_ADDRESS=" + address);
  // The first film has a cover picture beside it.
  fs::create_directories(home.file("film"));
  fs::copy_file(zvtest::Media("avi/gop10.avi"), home.file("film/gop10.avi"));
  zvtest::WriteFile(home.file("film/Cover.jpg"), "\xFF\xD8\xFF\xD9");
  zvtest::Process player({kBinary, home.file("film/gop10.avi"), zvtest::Media("two_audio.mkv")}, env,
                         home.file("out.txt"), home.file("err.txt"));
  const auto ctl = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"/usr/bin/playerctl", "-p", "zelvar"});
    std::string out = zvtest::RunProgram(args, {"DBUS_SESSION_BUS_ADDRESS=" + address}, std::chrono::seconds(5)).out;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
      out.pop_back();
    return out;
  };
  ASSERT_TRUE(zvtest::WaitUntil([&] { return ctl({"status"}) == "Playing"; }, std::chrono::seconds(20)))
      << zvtest::ReadFile(home.file("err.txt"));
  EXPECT_EQ(ctl({"metadata", "title"}), "gop10");
  EXPECT_NEAR(std::atof(ctl({"metadata", "mpris:length"}).c_str()) / 1e6, 80.0, 0.2) << "microseconds";
  EXPECT_EQ(ctl({"metadata", "mpris:artUrl"}), "file://" + home.file("film/Cover.jpg"));
  ctl({"pause"});
  EXPECT_TRUE(zvtest::WaitUntil([&] { return ctl({"status"}) == "Paused"; }, std::chrono::seconds(5)));
  ctl({"position", "40"});
  EXPECT_TRUE(zvtest::WaitUntil([&] { return std::abs(std::atof(ctl({"position"}).c_str()) - 40) < 1; },
                                std::chrono::seconds(5)))
      << ctl({"position"});
  ctl({"play"});
  EXPECT_TRUE(zvtest::WaitUntil([&] { return ctl({"status"}) == "Playing"; }, std::chrono::seconds(5)));
  ctl({"next"});
  EXPECT_TRUE(zvtest::WaitUntil(
      [&] {
        return ctl({"metadata", "title"}) == "two_audio";
      },
      std::chrono::seconds(10)))
      << ctl({"metadata", "title"});
  player.Signal(SIGTERM);
  int code = -1;
  EXPECT_TRUE(player.WaitExit(std::chrono::seconds(20), code));
  bus.Signal(SIGTERM);
}
