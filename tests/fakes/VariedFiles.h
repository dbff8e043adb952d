#pragma once

// A folder of the .doc and .xls files users really have: binary Office files,
// their other formats under the old names, web pages and exports, damaged,
// protected, empty files and files that are no documents at all. Shared by
// the integration test and the benchmark, so both judge the same folder.

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <functional>

namespace folvane::fakes {

struct VariedFile {
  QString name;
  // "" when Folvane converts it; otherwise a piece of the reason it gives.
  QString expected;
};

// source, target, format: the office engine's own conversion.
using EngineConvert = std::function<void(const QString&, const QString&, const QString&)>;

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QString HtmlPage(const QString& body) {
  return "<html><head><meta charset=\"utf-8\"></head><body>" + body + "</body></html>";
}

inline QString FlatSheet(const QString& rows) {
  return QStringLiteral(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
             "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
             "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
             "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
             "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body>"
             "<office:spreadsheet><table:table table:name=\"S\">%1</table:table>"
             "</office:spreadsheet></office:body></office:document>")
      .arg(rows);
}

inline QString SheetRows(int count, const QString& label) {
  QString rows;
  for (int r = 1; r <= count; ++r)
    rows += QStringLiteral(
                "<table:table-row><table:table-cell office:value-type=\"float\" "
                "office:value=\"%1\"><text:p>%1</text:p></table:table-cell>"
                "<table:table-cell office:value-type=\"string\"><text:p>%2 %1 行目</text:p>"
                "</table:table-cell></table:table-row>")
                .arg(r)
                .arg(label);
  return rows;
}

// Marks a BIFF8 workbook as encrypted (a FILEPASS record with an RC4 header
// right after the first BOF), as Excel writes a workbook with an open
// password. Records after BOF up to WRITEACCESS make room for it.
inline bool ProtectWorkbook(QByteArray& xls) {
  const qsizetype bof = xls.indexOf(QByteArray("\x09\x08\x10\x00\x00\x06\x05\x00", 8));
  if (bof < 0) return false;
  const qsizetype start = bof + 20;
  qsizetype at = start;
  const auto u16 = [&](qsizetype i) { return int(uchar(xls[i])) | int(uchar(xls[i + 1])) << 8; };
  while (at + 4 <= xls.size() && u16(at) != 0x5c) at += 4 + u16(at + 2);
  if (at + 4 > xls.size()) return false;
  const qsizetype end = at + 4 + u16(at + 2);
  QByteArray records("\x2f\x00\x36\x00\x01\x00\x01\x00\x01\x00", 10);
  for (int i = 0; i < 48; ++i) records += char(i * 7 + 1);  // salt, verifier, its hash
  const qsizetype filler = end - start - records.size() - 4;
  if (filler < 0) return false;
  records += QByteArray("\xe1\x00", 2) + char(filler & 0xff) + char(filler >> 8);
  records += QByteArray(filler, '\0');
  xls.replace(start, end - start, records);
  return true;
}

// Makes the files in `folder` (scratch files go to `work`) and says what
// Folvane should make of each.
inline QList<VariedFile> MakeVariedFiles(const QString& folder, const QString& work,
                                         const EngineConvert& convert) {
  QDir().mkpath(folder);
  QDir().mkpath(work);
  QList<VariedFile> made;
  const auto put = [&](const QString& name, const QByteArray& bytes, const QString& expected) {
    if (WriteBytes(folder + "/" + name, bytes)) made.append({name, expected});
  };
  const auto fromEngine = [&](const QString& name, const QString& source, const QString& text,
                              const QString& format, const QString& expected) {
    WriteBytes(work + "/" + source, text.toUtf8());
    convert(work + "/" + source, folder + "/" + name, format);
    made.append({name, expected});
  };
  QString prose;
  for (int p = 1; p <= 40; ++p)
    prose += QStringLiteral("<p>第%1段落：報告書の本文です。Quarterly letter text.</p>").arg(p);
  fromEngine("letter.doc", "letter.html", HtmlPage(prose), "doc", "");
  fromEngine("sheet.xls", "sheet.fods", FlatSheet(SheetRows(120, "集計")), "xls", "");
  fromEngine("wordx.doc", "wordx.html", HtmlPage("<p>Word 2007 under .doc</p>"), "docx", "");
  fromEngine("writer.doc", "writer.html", HtmlPage("<p>ODF text under .doc</p>"), "odt", "");
  fromEngine("excelx.xls", "excelx.fods", FlatSheet(SheetRows(5, "xlsx")), "xlsx", "");
  fromEngine("calc.xls", "calc.fods", FlatSheet(SheetRows(5, "ods")), "ods", "");

  put("rich.doc", "{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}\\f0\\pard RTF body\\par}\n", "");
  put("page.doc", HtmlPage("<p>A web page saved as .doc</p>").toUtf8(), "");
  put("web.doc",
      "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"----=_NextPart_01\"\r\n\r\n"
      "------=_NextPart_01\r\nContent-Location: file:///C:/web.htm\r\n"
      "Content-Transfer-Encoding: quoted-printable\r\n"
      "Content-Type: text/html; charset=\"utf-8\"\r\n\r\n"
      "<html><body><p class=3DMsoNormal>Single file web =E6=97=A5=E6=9C=AC page</p>"
      "</body></html>\r\n\r\n------=_NextPart_01--\r\n",
      "");
  put("table.xls", HtmlPage("<table><tr><td>1</td><td>web table cell</td></tr></table>").toUtf8(),
      "");
  put("comma.xls",
      "code,name,amount\r\n1,\"Tokyo, Japan\",1234567\r\n2,Osaka,0x1A\r\n3,Nagoya,-0.125\r\n", "");
  put("tabs.xls", "code\tname\tamount\r\n1\t東京\t100\r\n2\t大阪\t200\r\n", "");
  {
    // Excel's "Unicode text": UTF-16 with its byte order mark, tab-separated.
    const QString text = QStringLiteral("名前\t数\r\n京都\t3\r\n");
    QByteArray utf16("\xFF\xFE", 2);
    for (const QChar c : text) utf16 += char(c.unicode() & 0xff), utf16 += char(c.unicode() >> 8);
    put("unicode.xls", utf16, "");
  }
  put("xml2003.xls",
      "<?xml version=\"1.0\"?>\n<?mso-application progid=\"Excel.Sheet\"?>\n"
      "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
      "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\"><Worksheet ss:Name=\"S\"><Table>"
      "<Row><Cell><Data ss:Type=\"String\">SpreadsheetML cell</Data></Cell></Row></Table>"
      "</Worksheet></Workbook>\n",
      "");

  put("notes.doc", "Just a note, saved under the wrong name.\nSecond line.\n", "テキスト");
  put("memo.xls", "A memo of prose text.\nNothing here is a table\n", "テキスト");
  QImage image(64, 48, QImage::Format_RGB32);
  image.fill(Qt::darkCyan);
  QByteArray jpeg, png;
  QBuffer jpegBuffer(&jpeg), pngBuffer(&png);
  jpegBuffer.open(QIODevice::WriteOnly);
  pngBuffer.open(QIODevice::WriteOnly);
  image.save(&jpegBuffer, "JPG");
  image.save(&pngBuffer, "PNG");
  if (!jpeg.isEmpty()) put("photo.doc", jpeg, "画像");
  put("icon.xls", png, "画像");
  put("empty.doc", {}, "空のファイル");
  put("blank.xls", {}, "空のファイル");

  QByteArray xls = ReadBytes(folder + "/sheet.xls");
  QByteArray doc = ReadBytes(folder + "/letter.doc");
  put("cut.xls", xls.left(xls.size() / 2), "壊れて");
  put("torn.doc", doc.left(doc.size() / 2), "壊れて");
  if (ProtectWorkbook(xls)) put("locked.xls", xls, "パスワード");
  return made;
}

// The page count of a PDF, 0 when it is none.
inline int PdfPages(const QString& path) {
  QProcess info;
  info.start(QStringLiteral("pdfinfo"), {path});
  if (!info.waitForFinished(20000) || info.exitCode() != 0) return 0;
  const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                         .match(QString::fromUtf8(info.readAllStandardOutput()));
  return match.hasMatch() ? match.captured(1).toInt() : 0;
}

// soffice --headless --convert-to pdf for one file, into `outDir`, with a
// profile of its own. True when it made a PDF with pages.
inline bool SofficeConverts(const QString& source, const QString& outDir,
                            const QString& profileDir) {
  QDir().mkpath(outDir);
  QProcess soffice;
  soffice.start(QStringLiteral("/usr/lib/libreoffice/program/soffice"),
                {"-env:UserInstallation=file://" + profileDir, "--headless", "--convert-to", "pdf",
                 "--outdir", outDir, source});
  if (!soffice.waitForFinished(120000)) {
    soffice.kill();
    soffice.waitForFinished(5000);
    return false;
  }
  const QString base = QFileInfo(source).completeBaseName();
  return PdfPages(outDir + "/" + base + ".pdf") > 0;
}

// The same for many files in one soffice start (base names must differ):
// the base names of the files it made a PDF with pages of.
inline QStringList SofficeConvertsAll(const QStringList& sources, const QString& outDir,
                                      const QString& profileDir) {
  QDir().mkpath(outDir);
  QProcess soffice;
  soffice.start(QStringLiteral("/usr/lib/libreoffice/program/soffice"),
                QStringList{"-env:UserInstallation=file://" + profileDir, "--headless",
                            "--convert-to", "pdf", "--outdir", outDir} +
                    sources);
  if (!soffice.waitForFinished(240000)) {
    soffice.kill();
    soffice.waitForFinished(5000);
  }
  QStringList converted;
  for (const QString& source : sources) {
    const QString base = QFileInfo(source).completeBaseName();
    if (PdfPages(outDir + "/" + base + ".pdf") > 0) converted << base;
  }
  return converted;
}

}  // namespace folvane::fakes
