// The page a web archive (MHT) holds, as the office helper hands it over.
#include <QTest>

#include "platform/office/helper/WebArchive.h"

using namespace folvane::platform;

class TestWebArchive : public QObject {
  Q_OBJECT

 private slots:
  // Word's "single file web page": the page among pictures, its boundary
  // on a folded header line, quoted-printable with soft breaks.
  void thePageAmongItsPictures() {
    const std::string archive =
        "MIME-Version: 1.0\r\n"
        "Content-Type: multipart/related;\r\n"
        "\tboundary=\"----=_NextPart_01D\"\r\n"
        "\r\n"
        "------=_NextPart_01D\r\n"
        "Content-Type: image/png\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n"
        "iVBORw0KGgo=\r\n"
        "------=_NextPart_01D\r\n"
        "Content-Location: file:///C:/x.htm\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n"
        "Content-Type: text/html; charset=\"utf-8\"\r\n\r\n"
        "<html><body class=3D\"x\">=E6=97=A5=E6=9C=AC long li=\r\n"
        "ne</body></html>\r\n"
        "------=_NextPart_01D--\r\n";
    QCOMPARE(PageOfArchive(archive),
             std::string("<html><body class=\"x\">日本 long line</body></html>\r\n"));
  }

  // A page alone, in base64, with line feeds only and an unquoted boundary.
  void aBase64PageWithLineFeeds() {
    const std::string archive =
        "MIME-Version: 1.0\nContent-Type: multipart/related; boundary=b1\n\n"
        "--b1\nContent-Type: TEXT/HTML\nContent-Transfer-Encoding: BASE64\n\n"
        "PGh0bWw+\n5pel5pys\nPC9odG1sPg==\n--b1--\n";
    QCOMPARE(PageOfArchive(archive), std::string("<html>日本</html>"));
    QCOMPARE(PageOfArchive("Content-Type: text/html\n\n<p>only</p>"), std::string("<p>only</p>"));
  }

  // Nothing to give: no page among the parts, no boundary, no headers.
  void archivesWithoutAPage() {
    QCOMPARE(PageOfArchive("Content-Type: multipart/related; boundary=b\n\n--b\n"
                           "Content-Type: image/gif\n\nGIF89a\n--b--\n"),
             std::string());
    QCOMPARE(PageOfArchive("Content-Type: multipart/related\n\n--b\n"), std::string());
    QCOMPARE(PageOfArchive("MIME-Version: 1.0 and nothing else"), std::string());
  }
};

QTEST_APPLESS_MAIN(TestWebArchive)
#include "test_WebArchive.moc"
