// Acts out the office helper (folvane-office) for the engine's tests,
// speaking its protocol and taking the source's copy as it does. Answers by
// the source's name: *crash* ends the process, *hang* never answers, *fail*
// answers with an error, *refuse-<reason>* refuses the document with that
// reason, *blank* "succeeds" without writing anything; a copy whose first
// line is refuse-<reason> is refused so; anything else gets a small PDF
// naming the source and the first line of the copy read. *slow*
// takes 0.3 s after the copy is taken. FAKE_OFFICE_NOREADY=1 fails at start.
// With FAKE_OFFICE_TRACE=<file> it notes "start", "eof" and "leave" there;
// it leaves FAKE_OFFICE_LINGER seconds after its input ends, as LibreOffice
// writes its profile back.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "platform/files/FileVersion.h"

namespace {

std::string toHex(const std::string& s) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string fromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

void trace(const char* what) {
  if (const char* file = std::getenv("FAKE_OFFICE_TRACE"))
    std::ofstream(file, std::ios::app) << what << "\n";
}

void sleepSeconds(double s) {
  std::this_thread::sleep_for(std::chrono::duration<double>(s));
}

}  // namespace

int main(int argc, char* argv[]) {
  if (std::getenv("FAKE_OFFICE_NOREADY")) {
    std::cout << "ERR " << toHex("no office here") << std::endl;
    return 3;
  }
  trace("start");
  const std::string work = (argc > 2 ? std::string(argv[2]) : std::string(".")) + "/work";
  ::mkdir(work.c_str(), 0700);
  std::cout << "READY" << std::endl;
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string verb, srcHex, dstHex;
    in >> verb >> srcHex >> dstHex;
    const std::string src = fromHex(srcHex), dst = fromHex(dstHex);
    if (src.find("crash") != std::string::npos) return 1;
    if (src.find("hang") != std::string::npos) {
      sleepSeconds(60);
      continue;
    }
    std::smatch refuse;
    if (std::regex_search(src, refuse, std::regex("refuse-([a-z]+)"))) {
      std::cout << "ERR " << toHex("refused") << " " << refuse[1] << std::endl;
      continue;
    }
    if (src.find("fail") != std::string::npos) {
      std::cout << "ERR " << toHex("cannot load " + src) << std::endl;
      continue;
    }
    const std::string copy = work + "/copy";
    const folvane::platform::Snapshot snapshot = folvane::platform::TakeSnapshot(src, copy);
    if (!snapshot.error.empty()) {
      std::cout << "ERR " << toHex("cannot read " + src) << " " << snapshot.error << std::endl;
      continue;
    }
    std::string first;
    {
      std::ifstream read(copy);
      std::getline(read, first);
    }
    if (first.rfind("refuse-", 0) == 0) {  // by content too: a file saved anew may pass
      ::unlink(copy.c_str());
      std::cout << "ERR " << toHex("refused") << " " << first.substr(7) << std::endl;
      continue;
    }
    if (src.find("slow") != std::string::npos) sleepSeconds(0.3);
    if (src.find("blank") == std::string::npos) {
      const char* threads = std::getenv("MAX_CONCURRENCY");
      std::ofstream(dst) << "%PDF-1.4 " << src << " " << first
                         << " threads=" << (threads ? threads : "") << " pid=" << ::getpid()
                         << "\n";
    }
    ::unlink(copy.c_str());
    std::cout << "OK " << snapshot.version.text() << std::endl;
  }
  trace("eof");
  if (const char* linger = std::getenv("FAKE_OFFICE_LINGER")) sleepSeconds(std::atof(linger));
  trace("leave");
  return 0;
}
