#include "EngineProfile.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace folvane::platform {

namespace {

// Families of fonts documents name, by the face that draws them. The faces
// are chosen by kind first (a Mincho by a Mincho, a Gothic by a Gothic), then
// by widths: fixed-width names (ＭＳ 明朝, HG...) by fixed-width faces,
// proportional ones (ＭＳ Ｐ明朝, HGP...) by proportional ones, and those with
// proportional Latin beside fixed kana (HGS..., -PRO) by IPAex. The tall
// modern faces Word sets in wide lines (游明朝, 游ゴシック, メイリオ) go to Noto
// CJK, as tall, with a real bold; their UI variants, of narrow kana, to BIZ
// UDP. Heavy names (B, E, EB, UB) go to a real bold where the kind has one.
struct Family {
  const char* face;
  const char* weight;
  std::vector<const char*> names;
};

const std::vector<Family>& families() {
  static const std::vector<Family> all = {
      // Mincho.
      {"Noto Serif CJK JP",
       "",
       {"游明朝", "Yu Mincho", "YuMincho", "游明朝体", "游明朝 Light", "Yu Mincho Light",
        "游明朝 Regular", "Yu Mincho Regular"}},
      {"Noto Serif CJK JP",
       "demibold",
       {"游明朝 Demibold", "Yu Mincho Demibold", "游明朝 Bold", "Yu Mincho Bold"}},
      {"IPAMincho",
       "",
       {"ＭＳ 明朝", "MS Mincho", "HG明朝L", "HGMinchoL", "HG教科書体", "HGKyokashotai",
        "UD デジタル 教科書体 N-R", "UD Digi Kyokasho N-R", "HG行書体", "HGGyoshotai"}},
      {"IPAMincho",
       "bold",
       {"HG明朝B", "HGMinchoB", "UD デジタル 教科書体 N-B", "UD Digi Kyokasho N-B"}},
      {"IPAMincho", "extrabold", {"HG明朝E", "HGMinchoE", "HG創英ﾌﾟﾚｾﾞﾝｽEB", "HGSoeiPresenceEB"}},
      {"IPAPMincho",
       "",
       {"ＭＳ Ｐ明朝", "MS PMincho", "HGP明朝L", "HGPMinchoL", "HGP教科書体", "HGPKyokashotai",
        "UD デジタル 教科書体 NP-R", "UD Digi Kyokasho NP-R", "UD デジタル 教科書体 NK-R",
        "UD Digi Kyokasho NK-R", "HGP行書体", "HGPGyoshotai"}},
      {"IPAPMincho",
       "bold",
       {"HGP明朝B", "HGPMinchoB", "UD デジタル 教科書体 NP-B", "UD Digi Kyokasho NP-B",
        "UD デジタル 教科書体 NK-B", "UD Digi Kyokasho NK-B"}},
      {"IPAPMincho",
       "extrabold",
       {"HGP明朝E", "HGPMinchoE", "HGP創英ﾌﾟﾚｾﾞﾝｽEB", "HGPSoeiPresenceEB"}},
      {"IPAexMincho",
       "",
       {"HGS明朝L", "HGSMinchoL", "HGS教科書体", "HGSKyokashotai", "HG正楷書体-PRO",
        "HGSeikaishotaiPRO", "HGS行書体", "HGSGyoshotai"}},
      {"IPAexMincho", "bold", {"HGS明朝B", "HGSMinchoB"}},
      {"IPAexMincho",
       "extrabold",
       {"HGS明朝E", "HGSMinchoE", "HGS創英ﾌﾟﾚｾﾞﾝｽEB", "HGSSoeiPresenceEB"}},
      {"BIZ UDMincho", "", {"BIZ UD明朝 Medium", "BIZ UDMincho Medium"}},
      {"BIZ UDPMincho", "", {"BIZ UDP明朝 Medium", "BIZ UDPMincho Medium"}},
      // Gothic.
      {"Noto Sans CJK JP",
       "",
       {"游ゴシック", "Yu Gothic", "YuGothic", "游ゴシック体", "游ゴシック Light",
        "Yu Gothic Light", "游ゴシック Medium", "Yu Gothic Medium", "游ゴシック Regular",
        "Yu Gothic Regular", "メイリオ", "Meiryo"}},
      {"Noto Sans CJK JP",
       "bold",
       {"游ゴシック Bold", "Yu Gothic Bold", "メイリオ Bold", "Meiryo Bold"}},
      {"BIZ UDPGothic",
       "",
       {"Yu Gothic UI", "Yu Gothic UI Light", "Yu Gothic UI Semilight", "Meiryo UI",
        "メイリオ UI"}},
      {"BIZ UDPGothic", "demibold", {"Yu Gothic UI Semibold"}},
      {"BIZ UDPGothic", "bold", {"Yu Gothic UI Bold", "Meiryo UI Bold"}},
      {"IPAGothic", "", {"ＭＳ ゴシック", "MS Gothic"}},
      {"IPAPGothic", "", {"ＭＳ Ｐゴシック", "MS PGothic", "MS UI Gothic"}},
      {"BIZ UDGothic", "", {"HGｺﾞｼｯｸM", "HGGothicM"}},
      {"BIZ UDGothic", "bold", {"HG創英角ﾎﾟｯﾌﾟ体", "HGSoeiKakupoptai"}},
      {"BIZ UDGothic", "extrabold", {"HGｺﾞｼｯｸE", "HGGothicE"}},
      {"BIZ UDGothic", "black", {"HG創英角ｺﾞｼｯｸUB", "HGSoeiKakugothicUB"}},
      {"BIZ UDPGothic", "", {"HGPｺﾞｼｯｸM", "HGPGothicM"}},
      {"BIZ UDPGothic", "bold", {"HGP創英角ﾎﾟｯﾌﾟ体", "HGPSoeiKakupoptai"}},
      {"BIZ UDPGothic", "extrabold", {"HGPｺﾞｼｯｸE", "HGPGothicE"}},
      {"BIZ UDPGothic", "black", {"HGP創英角ｺﾞｼｯｸUB", "HGPSoeiKakugothicUB"}},
      {"IPAexGothic", "", {"HGSｺﾞｼｯｸM", "HGSGothicM", "HG丸ｺﾞｼｯｸM-PRO", "HGMaruGothicMPRO"}},
      {"IPAexGothic", "bold", {"HGS創英角ﾎﾟｯﾌﾟ体", "HGSSoeiKakupoptai"}},
      {"IPAexGothic", "extrabold", {"HGSｺﾞｼｯｸE", "HGSGothicE"}},
      {"IPAexGothic", "black", {"HGS創英角ｺﾞｼｯｸUB", "HGSSoeiKakugothicUB"}},
      // Latin: the URW designs of the same faces, Palatino's metrics for Book
      // Antiqua. Calibri Light, the headings font of Word's default theme,
      // fontconfig would give DejaVu Sans.
      {"C059", "", {"Century", "Century Schoolbook"}},
      {"P052", "", {"Book Antiqua", "Palatino Linotype", "Palatino"}},
      {"URW Gothic", "", {"Century Gothic"}},
      {"URW Bookman", "", {"Bookman Old Style", "Bookman"}},
      {"Carlito", "", {"Calibri Light"}},
  };
  return all;
}

std::u32string decode(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = s[i];
    const int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < s.size(); ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
    out += cp;
    i += extra + 1;
  }
  return out;
}

std::string encode(const std::u32string& s) {
  std::string out;
  for (const char32_t cp : s) {
    if (cp < 0x80) {
      out += char(cp);
    } else if (cp < 0x800) {
      out += char(0xC0 | (cp >> 6));
      out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += char(0xE0 | (cp >> 12));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(0xF0 | (cp >> 18));
      out += char(0x80 | ((cp >> 12) & 0x3F));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

// Half-width katakana (as Windows names HG fonts) in full width, sound
// marks joined to their letter: HGｺﾞｼｯｸM -> HGゴシックM.
std::string fullWidthKana(const std::string& name) {
  static const std::u32string table =
      U"ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメ"
      U"モヤユヨ"
      U"ラリルレロワン";
  const std::u32string in = decode(name);
  std::u32string out;
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t c = in[i];
    if (c < 0xFF66 || c > 0xFF9D) {
      out += c;
      continue;
    }
    c = table[c - 0xFF66];
    const char32_t mark = i + 1 < in.size() ? in[i + 1] : 0;
    const bool voiced = (c >= U'カ' && c <= U'ト' && c != U'ッ') || (c >= U'ハ' && c <= U'ホ');
    if (mark == 0xFF9E && c == U'ウ') {
      c = U'ヴ';
      ++i;
    } else if (mark == 0xFF9E && voiced) {
      c += 1;
      ++i;
    } else if (mark == 0xFF9F && c >= U'ハ' && c <= U'ホ') {
      c += 2;
      ++i;
    }
    out += c;
  }
  return encode(out);
}

// ASCII letters and digits in full width: ＭＳ 明朝, ＨＧ明朝Ｂ.
std::string fullWidthLatin(const std::string& name) {
  std::u32string s = decode(name);
  for (char32_t& c : s)
    if (c > 0x20 && c < 0x7F) c += 0xFEE0;
  return encode(s);
}

std::string xmlEscaped(const std::string& s) {
  std::string out;
  for (const char c : s) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
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

bool writeWhole(const std::string& path, const std::string& text) {
  const std::string temp = path + ".new";
  {
    std::ofstream out(temp, std::ios::trunc);
    out << text;
    if (!out.flush()) return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

// Settings the engine runs with: no macros, no recovery, no first-start work,
// no lock files beside the documents (a killed engine would leave them in
// the user's folders).
void seedRegistry(const std::string& user, const std::string& version) {
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
  // Older profiles drew fonts through LibreOffice's replacement table, which
  // wins over fontconfig and keeps no weight a name implies: it goes, line
  // by line as LibreOffice writes the file.
  bool changed = false;
  const std::string substitution = "oor:path=\"/org.openoffice.Office.Common/Font/Substitution";
  for (size_t at; (at = text.find(substitution)) != std::string::npos; changed = true) {
    const size_t from = text.rfind('\n', at) + 1;
    const size_t to = text.find('\n', at);
    text.erase(from, to == std::string::npos ? std::string::npos : to - from + 1);
  }
  // What the file lacks is added; LibreOffice keeps it from here on.
  std::string missing;
  for (const Item& item : items) {
    const std::string head =
        std::string("<item oor:path=\"") + item.node + "\"><prop oor:name=\"" + item.prop + "\"";
    if (text.find(head) == std::string::npos)
      missing += head + " oor:op=\"fuse\"><value>" + item.value + "</value></prop></item>\n";
  }
  if (missing.empty() && !changed) return;
  text.insert(text.rfind(end), missing);
  writeWhole(path, text);
}

}  // namespace

std::vector<FontStandIn> FontStandIns() {
  std::vector<FontStandIn> out;
  std::set<std::string> seen;
  for (const Family& family : families())
    for (const char* name : family.names) {
      const std::string kana = fullWidthKana(name);
      std::vector<std::string> spellings = {name, kana};
      // Full-width letters only where a Japanese name may have them.
      if (decode(name).size() != std::string(name).size())
        spellings.insert(spellings.end(), {fullWidthLatin(name), fullWidthLatin(kana)});
      for (const std::string& spelling : spellings)
        if (seen.insert(spelling).second) out.push_back({spelling, family.face, family.weight});
    }
  return out;
}

std::string FontConfigText(const std::string& base) {
  std::string text =
      "<?xml version=\"1.0\"?>\n"
      "<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
      "<fontconfig>\n"
      "  <include ignore_missing=\"yes\">" +
      xmlEscaped(base) + "</include>\n";
  // A rule looks at the family asked for only: fontconfig's fallback lists
  // name MS Gothic and Meiryo too, and a rule on them would put a Japanese
  // face before DejaVu Sans for every name it does not know.
  for (const FontStandIn& s : FontStandIns()) {
    text +=
        "  <match target=\"pattern\"><test qual=\"first\" name=\"family\" "
        "ignore-blanks=\"true\"><string>" +
        xmlEscaped(s.name) +
        "</string></test><edit name=\"family\" mode=\"assign\" binding=\"strong\"><string>" +
        xmlEscaped(s.face) + "</string></edit>";
    if (!s.weight.empty())
      text += "<edit name=\"weight\" mode=\"assign\"><const>" + s.weight + "</const></edit>";
    text += "</match>\n";
  }
  return text + "</fontconfig>\n";
}

std::string SeedEngineProfile(const std::string& profileDir, const std::string& programDir) {
  const std::string user = profileDir + "/user";
  ::mkdir(profileDir.c_str(), 0700);
  ::mkdir(user.c_str(), 0700);
  seedRegistry(user, installedVersion(programDir));

  // The configuration the engine would have read comes first, so the user's
  // own settings stay; never this file itself, were it inherited.
  const std::string path = profileDir + "/fonts.conf";
  const char* inherited = std::getenv("FONTCONFIG_FILE");
  const std::string base =
      inherited && *inherited && path != inherited ? inherited : "/etc/fonts/fonts.conf";
  writeWhole(path, FontConfigText(base));
  return path;
}

}  // namespace folvane::platform
