// folvane-office: the office engine's helper process. It keeps one
// LibreOffice (through LibreOfficeKit) warm and converts documents on request,
// so a crash or hang inside LibreOffice never takes Folvane with it.
//
//   folvane-office <LibreOffice program folder> <profile folder>
//
// Protocol, one line each way, fields separated by a blank and hex-encoded
// (UTF-8 inside), so paths may hold any character:
//   -> CONVERT <source path> <target path> <format>
//   <- OK | ERR <message>
// Before the first request it says READY (or ERR and ends). End of input ends it.
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <LibreOfficeKit/LibreOfficeKit.hxx>

#include <sys/stat.h>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

std::string toHex(const std::string& s) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

bool fromHex(const std::string& hex, std::string& out) {
  if (hex.size() % 2) return false;
  out.clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    const std::string byte = hex.substr(i, 2);
    char* end = nullptr;
    const long v = std::strtol(byte.c_str(), &end, 16);
    if (*end) return false;
    out += static_cast<char>(v);
  }
  return true;
}

std::string fileUrl(const std::string& path) {
  std::string url = "file://";
  static const char* digits = "0123456789ABCDEF";
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("/-._~", c)) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += digits[c >> 4];
      url += digits[c & 15];
    }
  }
  return url;
}

std::string errorText(lok::Office& office, const char* fallback) {
  char* e = office.getError();
  std::string text = (e && *e) ? e : fallback;
  if (e) office.freeError(e);
  return text;
}

// The installed version, as the profile must record it: otherwise every start
// with a new profile runs the graphics tests for a new version (seconds).
std::string installedVersion(const std::string& programDir) {
  std::ifstream xcd(programDir + "/../share/registry/main.xcd");
  std::stringstream all;
  all << xcd.rdbuf();
  const std::string text = all.str();
  const std::string key = "oor:name=\"ooSetupVersionAboutBox\">";
  const size_t at = text.find(key);
  if (at == std::string::npos) return {};
  const size_t open = text.find("<value>", at);
  const size_t close = text.find("</value>", open);
  if (open == std::string::npos || close == std::string::npos) return {};
  return text.substr(open + 7, close - open - 7);
}

// The MS Japanese fonts documents name, in the spellings they use, and their
// metric-compatible stand-ins. fontconfig knows none of these names, and
// LibreOffice's own fallback picks a CJK font of other widths, so page breaks
// move; the Latin ones (Calibri, Arial, ...) fontconfig already maps to
// Carlito, Liberation and Caladea when they are missing.
std::vector<std::pair<std::string, std::string>> japaneseFontStandIns() {
  struct Family {
    const char* japanese;
    const char* english;
    const char* standIn;
  };
  const Family families[] = {
      {"明朝", "Mincho", "IPAMincho"},
      {"Ｐ明朝", "PMincho", "IPAPMincho"},
      {"ゴシック", "Gothic", "IPAGothic"},
      {"Ｐゴシック", "PGothic", "IPAPGothic"},
  };
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const Family& f : families) {
    for (const char* ms : {"ＭＳ", "MS"}) {
      pairs.emplace_back(std::string(ms) + " " + f.japanese, f.standIn);
      pairs.emplace_back(std::string(ms) + f.japanese, f.standIn);
    }
    pairs.emplace_back(std::string("MS ") + f.english, f.standIn);
  }
  pairs.emplace_back("MS UI Gothic", "IPAPGothic");
  return pairs;
}

// Settings the engine runs with: no macros, no recovery, no first-start work,
// no lock files beside the documents (a killed engine would leave them in
// the user's folders), and the Japanese font stand-ins.
void seedProfile(const std::string& profileDir, const std::string& version) {
  const std::string user = profileDir + "/user";
  ::mkdir(profileDir.c_str(), 0700);
  ::mkdir(user.c_str(), 0700);
  const std::string path = user + "/registrymodifications.xcu";
  struct Item {
    const char* node;
    const char* prop;
    std::string value;
  };
  const Item items[] = {
      {"/org.openoffice.Setup/Product", "ooSetupLastVersion", version},
      {"/org.openoffice.Setup/Office", "FirstStartWizardCompleted", "true"},
      {"/org.openoffice.Office.Common/Security/Scripting", "MacroSecurityLevel", "3"},
      {"/org.openoffice.Office.Common/Security/Scripting", "DisableMacrosExecution", "true"},
      {"/org.openoffice.Office.Recovery/AutoSave", "Enabled", "false"},
      {"/org.openoffice.Office.Recovery/RecoveryInfo", "Enabled", "false"},
      {"/org.openoffice.Office.Common/Misc", "UseOpenCL", "false"},
      {"/org.openoffice.Office.Common/Misc", "UseLocking", "false"},
  };
  std::string text;
  {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    text = all.str();
  }
  const std::string end = "</oor:items>";
  if (text.find(end) == std::string::npos)
    text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
        "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n" +
        end + "\n";
  // LibreOffice keeps the file from here on; what an older profile lacks is
  // added. Each entry: what marks it in the file, then the rest of it.
  std::vector<std::pair<std::string, std::string>> entries;
  for (const Item& item : items)
    entries.emplace_back(
        std::string("<item oor:path=\"") + item.node + "\"><prop oor:name=\"" + item.prop + "\"",
        " oor:op=\"fuse\"><value>" + item.value + "</value></prop></item>\n");
  // The replacement table, "always": it is the only kind the engine applies.
  entries.emplace_back(
      "<item oor:path=\"/org.openoffice.Office.Common/Font/Substitution\"><prop "
      "oor:name=\"Replacement\"",
      " oor:op=\"fuse\"><value>true</value></prop></item>\n");
  const auto pairs = japaneseFontStandIns();
  for (size_t i = 0; i < pairs.size(); ++i) {
    const auto prop = [](const char* name, const std::string& value) {
      return std::string("<prop oor:name=\"") + name + "\" oor:op=\"fuse\"><value>" + value +
             "</value></prop>";
    };
    entries.emplace_back(
        "<item oor:path=\"/org.openoffice.Office.Common/Font/Substitution/FontPairs\"><node "
        "oor:name=\"Folvane" +
            std::to_string(i) + "\"",
        " oor:op=\"replace\">" + prop("Always", "true") + prop("OnScreenOnly", "false") +
            prop("ReplaceFont", pairs[i].first) + prop("SubstituteFont", pairs[i].second) +
            "</node></item>\n");
  }
  std::string missing;
  for (const auto& [head, rest] : entries)
    if (text.find(head) == std::string::npos) missing += head + rest;
  if (missing.empty()) return;
  text.insert(text.rfind(end), missing);
  const std::string temp = path + ".new";
  {
    std::ofstream out(temp, std::ios::trunc);
    out << text;
    if (!out.flush()) return;
  }
  std::rename(temp.c_str(), path.c_str());
}

}  // namespace

int main(int argc, char* argv[]) {
  // Dies with Folvane, even when Folvane crashes.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() == 1) return 1;

  // LibreOffice may print to stdout; keep the protocol's channel to ourselves.
  g_reply = ::dup(STDOUT_FILENO);
  ::dup2(STDERR_FILENO, STDOUT_FILENO);

  if (argc != 3) {
    reply("ERR " + toHex("usage: folvane-office <program folder> <profile folder>"));
    return 2;
  }
  const std::string programDir = argv[1];
  const std::string profileDir = argv[2];
  seedProfile(profileDir, installedVersion(programDir));

  std::unique_ptr<lok::Office> office(
      lok::lok_cpp_init(programDir.c_str(), fileUrl(profileDir).c_str()));
  if (!office) {
    reply("ERR " + toHex("LibreOffice could not be started from " + programDir));
    return 3;
  }
  reply("READY");

  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string verb, srcHex, dstHex, formatHex, src, dst, format;
    in >> verb >> srcHex >> dstHex >> formatHex;
    if (verb != "CONVERT" || !fromHex(srcHex, src) || !fromHex(dstHex, dst) ||
        !fromHex(formatHex, format)) {
      reply("ERR " + toHex("bad request"));
      continue;
    }
    // Batch: never ask anything; a document that needs an answer fails.
    std::unique_ptr<lok::Document> doc(office->documentLoad(fileUrl(src).c_str(), "Batch=true"));
    if (!doc) {
      reply("ERR " + toHex(errorText(*office, "the document could not be opened")));
      continue;
    }
    if (!doc->saveAs(fileUrl(dst).c_str(), format.c_str(), nullptr)) {
      reply("ERR " + toHex(errorText(*office, "the document could not be converted")));
      continue;
    }
    doc.reset();
    reply("OK");
  }
  office.reset();  // writes the profile back
  return 0;
}
