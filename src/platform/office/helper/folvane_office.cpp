// folvane-office: the office engine's helper process. It keeps one
// LibreOffice (through LibreOfficeKit) warm and converts documents on request,
// so a crash or hang inside LibreOffice never takes Folvane with it.
//
//   folvane-office <LibreOffice program folder> <profile folder>
//
// Protocol, one line each way, fields separated by a blank and hex-encoded
// (UTF-8 inside), so paths may hold any character:
//   -> CONVERT <source path> <target path> <format>
//   <- OK <version> | ERR <message> [<reason>]
// LibreOffice reads a private copy of the source, taken while the file
// stands still; the version (FileVersion's text, not hex) names what that
// copy held. The reason, a plain word, says why a document was refused:
// "empty", "password", "damaged", "text", "picture", "unknown" (no Word or
// Excel content) or "busy" (still being written). Before the first request it says READY (or ERR
// and ends). End of input ends it.
//
// A source named .doc or .xls must hold what Word or Excel opens under that
// name; LibreOffice alone would open nearly anything, a picture or a damaged
// file included, as plain text.
#define LOK_USE_UNSTABLE_API
#include <LibreOfficeKit/LibreOfficeKitEnums.h>
#include <dirent.h>
#include <langinfo.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <LibreOfficeKit/LibreOfficeKit.hxx>

#include <sys/stat.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ContentSniff.h"
#include "DelimitedSheet.h"
#include "EngineProfile.h"
#include "HelperProtocol.h"
#include "OleDocument.h"
#include "TextEncoding.h"
#include "WebArchive.h"
#include "platform/files/FileVersion.h"

using folvane::platform::Content;
using folvane::platform::Refusal;
using folvane::platform::SourceName;

namespace {

int g_reply = -1;  // the protocol's channel: stdout as it was at start

void reply(const std::string& line) {
  const std::string out = line + "\n";
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::write(g_reply, out.data() + done, out.size() - done);
    if (n <= 0) std::_Exit(1);
    done += static_cast<size_t>(n);
  }
}

// `what` in Japanese, and LibreOffice's own words (English) after it.
std::string errorText(lok::Office& office, const std::string& what) {
  char* e = office.getError();
  const std::string text = (e && *e) ? what + ": " + e : what;
  if (e) office.freeError(e);
  return text;
}

std::string readHead(const std::string& path, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  std::string head(limit, '\0');
  in.read(head.data(), std::streamsize(limit));
  head.resize(size_t(in.gcount()));
  return head;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

bool g_passwordAsked = false;

// Password prompts are answered "no password": the document then fails to
// load, and the reason is known.
void onEngineEvent(int type, const char* payload, void* data) {
  if (type != LOK_CALLBACK_DOCUMENT_PASSWORD && type != LOK_CALLBACK_DOCUMENT_PASSWORD_TO_MODIFY)
    return;
  if (type == LOK_CALLBACK_DOCUMENT_PASSWORD) g_passwordAsked = true;
  static_cast<lok::Office*>(data)->setDocumentPassword(payload, nullptr);
}

// A folder of the helper's own for files it hands LibreOffice in place of
// the source; emptied after each document.
class WorkFiles {
 public:
  explicit WorkFiles(std::string dir) : dir_(std::move(dir)) {
    ::mkdir(dir_.c_str(), 0700);
    const std::string in = dir_ + "/in";
    ::mkdir(in.c_str(), 0700);
    // Copies of users' documents an engine killed mid-way left.
    if (DIR* d = ::opendir(in.c_str())) {
      while (const dirent* e = ::readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
          ::unlink((in + "/" + e->d_name).c_str());
      ::closedir(d);
    }
  }
  ~WorkFiles() { clear(); }
  std::string make(const std::string& name) {
    const std::string path = dir_ + "/" + name;
    ::unlink(path.c_str());
    made_.push_back(path);
    return path;
  }
  void clear() {
    for (const auto& path : made_) ::unlink(path.c_str());
    made_.clear();
  }

 private:
  std::string dir_;
  std::vector<std::string> made_;
};

// What LibreOffice is to load in place of the copy `read` of a classic
// file of `content`, in `load`; a refusal when the file turns out to be
// none after all.
std::optional<Refusal> prepare(WorkFiles& work, const std::string& ext, const std::string& read,
                               const folvane::platform::Sniffed& sniffed, std::string& load) {
  switch (sniffed.content) {
    case Content::Delimited: {
      // Calc would ask for import options here; a flat sheet asks nothing.
      const std::string bytes = readAll(read);
      load = work.make("sheet.fods");
      std::ofstream out(load, std::ios::binary);
      out << folvane::platform::FlatSheetOf(folvane::platform::IsUtf16(bytes)
                                                ? folvane::platform::FromUtf16(bytes)
                                                : folvane::platform::AsUtf8(bytes),
                                            sniffed.delimiter);
      if (!out.flush()) return Refusal{"", "表を作業ファイルに書けません"};
      return std::nullopt;
    }
    case Content::Archive: {
      const std::string page = folvane::platform::PageOfArchive(readAll(read));
      if (page.empty()) return Refusal{"text", "ページのない Web アーカイブです"};
      load = work.make("archive.html");
      std::ofstream out(load, std::ios::binary);
      if (!(out << page).flush()) return Refusal{"", "ページを作業ファイルに書けません"};
      return std::nullopt;
    }
    case Content::Html:
      // Calc would ask for import options for HTML; the web page view asks nothing.
      if (ext == "xls") {
        load = work.make("page.html");
        if (::symlink(read.c_str(), load.c_str()) != 0)
          return Refusal{"", "作業ファイルを作れません"};
      }
      return std::nullopt;
    case Content::Document:
      // LibreOffice crashes on some encrypted Word 97 files instead of asking
      // for their password; the file's own flag tells first.
      if (ext == "doc" && readHead(read, 8) == "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" &&
          folvane::platform::WordDocumentEncrypted(readAll(read)))
        return Refusal{"password", "パスワードで保護されています"};
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

// Converts `src` into `dst`; `version` tells what the converted copy held.
// Nothing on success.
std::optional<Refusal> convert(lok::Office& office, WorkFiles& work, const std::string& src,
                               const std::string& dst, const std::string& format,
                               folvane::platform::FileVersion& version) {
  const std::string ext = folvane::platform::ExtensionOf(src);
  const SourceName kind = folvane::platform::NameKindOf(ext);
  // The copy keeps the file's name (LibreOffice may show it), in UTF-8,
  // the only kind of file URL it takes.
  const std::string name = src.substr(src.rfind('/') + 1);
  std::string load =
      work.make("in/" + (folvane::platform::ValidUtf8(name)
                             ? name
                             : "source." + (ext.empty() ? std::string("bin") : ext)));
  const folvane::platform::Snapshot copy = folvane::platform::TakeSnapshot(src, load);
  if (copy.error == "busy") return Refusal{"busy", "ファイルが書き込み中です"};
  if (!copy.error.empty()) return Refusal{"", "ファイルを読めません"};
  version = copy.version;
  const std::string read = load;  // every look at the content reads the copy
  if (kind != SourceName::Other) {
    const auto sniffed = folvane::platform::Sniff(ext, readHead(read, 64 * 1024));
    if (sniffed.refusal) return sniffed.refusal;
    if (kind == SourceName::Classic)
      if (auto refused = prepare(work, ext, read, sniffed, load)) return refused;
  }

  const bool checked = kind != SourceName::Other;
  g_passwordAsked = false;
  // Batch: never ask anything; a document that needs an answer fails.
  std::unique_ptr<lok::Document> doc(
      office.documentLoad(folvane::platform::FileUrl(load).c_str(), "Batch=true"));
  if (!doc) {
    const std::string why = errorText(office, "文書を開けません");
    if (g_passwordAsked) return Refusal{"password", why};
    return Refusal{checked ? "damaged" : "", why};
  }
  if (!doc->saveAs(folvane::platform::FileUrl(dst).c_str(), format.c_str(), nullptr))
    return Refusal{checked ? "damaged" : "", errorText(office, "文書を変換できません")};
  return std::nullopt;
}

}  // namespace

// LibreOffice turns file URLs into names in the encoding of the locale it
// finds. Folvane names files in UTF-8; under a locale that is not installed
// (LANG=ja_JP.UTF-8 on a system without it: the C locale, ASCII) or of
// another encoding, no Japanese-named document would open. The character
// type becomes C.UTF-8 then; the language stays as set.
void keepFileNamesUtf8() {
  if (std::setlocale(LC_CTYPE, "") && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0) return;
  const char* all = std::getenv("LC_ALL");
  if (all && *all) {
    ::setenv("LANG", all, 1);
    ::unsetenv("LC_ALL");
  }
  ::setenv("LC_CTYPE", "C.UTF-8", 1);
  std::setlocale(LC_CTYPE, "");
}

int main(int argc, char* argv[]) {
  using namespace folvane::platform;
  // Dies with Folvane, even when Folvane crashes.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() == 1) return 1;

  // LibreOffice may print to stdout; keep the protocol's channel to ourselves.
  g_reply = ::dup(STDOUT_FILENO);
  ::dup2(STDERR_FILENO, STDOUT_FILENO);

  if (argc != 3) {
    reply("ERR " +
          ToHex("使い方: folvane-office <プログラムのフォルダー> <プロファイルのフォルダー>"));
    return 2;
  }
  const std::string programDir = argv[1];
  const std::string profileDir = argv[2];
  keepFileNamesUtf8();
  // fontconfig reads its file once, when LibreOffice first asks for a font.
  ::setenv("FONTCONFIG_FILE", folvane::platform::SeedEngineProfile(profileDir, programDir).c_str(),
           1);

  std::unique_ptr<lok::Office> office(
      lok::lok_cpp_init(programDir.c_str(), FileUrl(profileDir).c_str()));
  if (!office) {
    reply("ERR " + ToHex("LibreOffice を「" + programDir + "」から起動できません"));
    return 3;
  }
  office->setOptionalFeatures(LOK_FEATURE_DOCUMENT_PASSWORD |
                              LOK_FEATURE_DOCUMENT_PASSWORD_TO_MODIFY);
  office->registerCallback(onEngineEvent, office.get());
  WorkFiles work(profileDir + "/work");
  reply("READY");

  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string verb, srcHex, dstHex, formatHex, src, dst, format;
    in >> verb >> srcHex >> dstHex >> formatHex;
    if (verb != "CONVERT" || !FromHex(srcHex, src) || !FromHex(dstHex, dst) ||
        !FromHex(formatHex, format)) {
      reply("ERR " + ToHex("要求の形が正しくありません"));
      continue;
    }
    folvane::platform::FileVersion version;
    const std::optional<Refusal> refused = convert(*office, work, src, dst, format, version);
    work.clear();
    if (!refused)
      reply("OK " + version.text());
    else
      reply("ERR " + ToHex(refused->message) +
            (refused->reason.empty() ? "" : " " + refused->reason));
  }
  office.reset();  // writes the profile back
  return 0;
}
