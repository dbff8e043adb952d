#include "RealDocuments.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <QRadialGradient>
#include <QRandomGenerator>

namespace folvane::bench {
namespace {

const QString kNamespaces = QStringLiteral(
    "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
    "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
    "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
    "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
    "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
    "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
    "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\" "
    "office:version=\"1.2\"");

const char* const kJapanese[] = {
    "本日の会議では、変換処理の速度と品質について各部署から報告があった。",
    "前年同期と比べて売上高は一割ほど伸びたが、原材料費の上昇が利益を圧迫している。",
    "新しい物流拠点の稼働により、関東地区への配送日数は平均で半日短くなった。",
    "顧客満足度調査の回答率は六割を超え、自由記述欄には具体的な要望が多く寄せられた。",
    "次回までに各担当者は改善案をまとめ、費用と効果の見積もりを添えて提出すること。",
    "安全衛生委員会の指摘を受け、倉庫内の通路表示と照明を全面的に見直した。",
    "海外取引先との契約更新にあたり、為替変動の影響を抑える条項を追加する予定である。",
    "社内研修の受講者は延べ三百名に達し、修了試験の平均点は昨年度を上回った。",
};
const char* const kEnglish[] = {
    "The quarterly figures show steady growth in every region, with the northern branches "
    "leading for the third time in a row.",
    "Freight costs rose sharply in the second half, and the committee asked for a review of "
    "the contracts with our two largest carriers.",
    "A pilot of the new ordering system ran in four stores; staff reported fewer errors and "
    "shorter queues at the counters.",
    "Maintenance of the production line was moved to weekends, which cut unplanned stops by "
    "nearly a third compared with last year.",
    "The audit found the records complete and well kept, with two minor remarks on the "
    "archiving of signed delivery notes.",
    "Training sessions on data protection will continue next quarter for every team that "
    "handles customer information.",
};
const char* const kBranches[] = {"札幌支店", "仙台支店", "東京本社", "横浜支店",   "名古屋支店",
                                 "大阪支店", "広島支店", "福岡支店", "那覇営業所", "金沢営業所"};
const char* const kItems[] = {"売上高", "原価", "粗利益", "販管費", "営業利益", "前年比"};

QString font(const QString& name, const char* generic) {
  return QStringLiteral(
             "<style:font-face style:name=\"%1\" svg:font-family=\"'%1'\" "
             "style:font-family-generic=\"%2\"/>")
      .arg(name, QLatin1String(generic));
}

QString fontFaces() {
  return "<office:font-face-decls>" + font(QStringLiteral("Liberation Serif"), "roman") +
         font(QStringLiteral("Liberation Sans"), "swiss") +
         font(QStringLiteral("Carlito"), "swiss") + font(QStringLiteral("IPAMincho"), "roman") +
         font(QStringLiteral("IPAGothic"), "swiss") + "</office:font-face-decls>";
}

// Latin face, Asian face, size and weight of a text style.
QString textProps(const char* latin, const char* asian, double points, bool bold = false,
                  const char* extra = "") {
  const QString weight = bold ? QStringLiteral(
                                    " fo:font-weight=\"bold\" "
                                    "style:font-weight-asian=\"bold\"")
                              : QString();
  return QStringLiteral(
             "<style:text-properties style:font-name=\"%1\" fo:font-size=\"%3pt\" "
             "style:font-name-asian=\"%2\" style:font-size-asian=\"%3pt\"%4 %5/>")
      .arg(QLatin1String(latin), QLatin1String(asian))
      .arg(points)
      .arg(weight, QLatin1String(extra));
}

QString pictureFrame(const QString& name, const QByteArray& data, double widthCm, double heightCm,
                     const QString& anchor) {
  return QStringLiteral(
             "<draw:frame draw:name=\"%1\" %2 svg:width=\"%3cm\" svg:height=\"%4cm\" "
             "draw:z-index=\"0\"><draw:image><office:binary-data>%5"
             "</office:binary-data></draw:image></draw:frame>")
      .arg(name, anchor)
      .arg(widthCm)
      .arg(heightCm)
      .arg(QString::fromLatin1(data.toBase64()));
}

QString paragraph(const char* style, const QString& text) {
  return QStringLiteral("<text:p text:style-name=\"%1\">%2</text:p>")
      .arg(QLatin1String(style), text);
}

}  // namespace

QImage PhotoLike(int width, int height, quint32 seed) {
  QRandomGenerator rng(seed);
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  const int horizon = height * (45 + int(rng.bounded(25))) / 100;
  QLinearGradient sky(0, 0, 0, horizon);
  sky.setColorAt(0, QColor::fromHsv(200 + int(rng.bounded(30)), 150 + int(rng.bounded(80)), 200));
  sky.setColorAt(1, QColor::fromHsv(190 + int(rng.bounded(30)), 40, 250));
  p.fillRect(0, 0, width, horizon, sky);
  QLinearGradient ground(0, horizon, 0, height);
  ground.setColorAt(0, QColor::fromHsv(70 + int(rng.bounded(60)), 160, 150));
  ground.setColorAt(1, QColor::fromHsv(30 + int(rng.bounded(30)), 180, 70));
  p.fillRect(0, horizon, width, height - horizon, ground);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 14; ++i) {
    const QPointF at(rng.bounded(width), horizon + rng.bounded(height) / 2.0 - height / 5.0);
    const double radius = 20 + rng.bounded(width / 5);
    QRadialGradient blob(at, radius);
    const QColor c = QColor::fromHsv(int(rng.bounded(360)), 120 + int(rng.bounded(120)),
                                     60 + int(rng.bounded(180)), 220);
    blob.setColorAt(0, c);
    blob.setColorAt(1, QColor(c.red(), c.green(), c.blue(), 0));
    p.setBrush(blob);
    p.drawEllipse(at, radius, radius * (0.5 + rng.bounded(1.0)));
  }
  p.end();
  // Film grain: what makes a photograph cost its bytes.
  quint32 s = seed * 2654435761u + 1;
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      s ^= s << 13;
      s ^= s >> 17;
      s ^= s << 5;
      const int grain = int(s % 29) - 14;
      const QRgb c = line[x];
      line[x] = qRgb(qBound(0, qRed(c) + grain, 255), qBound(0, qGreen(c) + grain, 255),
                     qBound(0, qBlue(c) + int((s >> 8) % 15) - 7, 255));
    }
  }
  return image;
}

QImage ChartLike(int width, int height, quint32 seed) {
  QRandomGenerator rng(seed);
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const int bars = 8;
  const int base = height - 40;
  p.setPen(QPen(Qt::gray, 1));
  for (int y = base; y > 20; y -= 40) p.drawLine(40, y, width - 10, y);
  p.setPen(Qt::NoPen);
  const double step = (width - 60.0) / bars;
  for (int i = 0; i < bars; ++i) {
    const int h = 30 + int(rng.bounded(base - 60));
    p.setBrush(QColor::fromHsv((i * 40 + int(seed)) % 360, 160, 200));
    p.drawRect(QRectF(50 + i * step, base - h, step * 0.7, h));
  }
  p.setPen(Qt::black);
  p.setFont(QFont(QStringLiteral("Liberation Sans"), 12));
  for (int i = 0; i < bars; ++i)
    p.drawText(QPointF(50 + i * step, base + 22), QStringLiteral("Q%1").arg(i + 1));
  return image;
}

QByteArray Encoded(const QImage& image, const char* format, int quality) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format, quality);
  return bytes;
}

QStringList RealDocumentFonts() {
  return {QStringLiteral("Liberation Serif"), QStringLiteral("Liberation Sans"),
          QStringLiteral("Carlito"), QStringLiteral("IPAMincho"), QStringLiteral("IPAGothic")};
}

QString ReportFodt(int n) {
  QRandomGenerator rng(quint32(1000 + n));
  const auto japanese = [&] {
    QString text;
    for (int s = 0; s < 5; ++s) text += QString::fromUtf8(kJapanese[rng.bounded(8)]);
    return text;
  };
  const auto english = [&] {
    QString text;
    for (int s = 0; s < 3; ++s) text += QString::fromUtf8(kEnglish[rng.bounded(6)]) + u' ';
    return text.trimmed();
  };
  const QString cell = QStringLiteral(
      "<table:table-cell table:style-name=\"%1\" office:value-type=\"string\">"
      "<text:p text:style-name=\"%2\">%3</text:p></table:table-cell>");

  QString body;
  body += paragraph("Title", QStringLiteral("第%1期 事業報告書 Annual Report %1").arg(n + 1));
  const int sections = 4 + n % 3;
  for (int s = 0; s < sections; ++s) {
    body += QStringLiteral(
                "<text:h text:style-name=\"H1\" text:outline-level=\"1\">%1. %2"
                "</text:h>")
                .arg(s + 1)
                .arg(QString::fromUtf8(kBranches[(n + s) % 10]) + QStringLiteral("の概況"));
    body += paragraph("Body", japanese()) + paragraph("BodyLatin", english()) +
            paragraph("Body", japanese());
    // A photograph on every section, a chart on every other.
    const QByteArray photo = Encoded(PhotoLike(720, 480, quint32(n * 31 + s)), "JPEG", 80);
    body += paragraph("Picture", pictureFrame(QStringLiteral("写真%1").arg(s + 1), photo, 13, 8.7,
                                              QStringLiteral("text:anchor-type=\"as-char\"")));
    body += paragraph("Caption", QStringLiteral("図%1 %2の様子 (Figure %1)")
                                     .arg(s + 1)
                                     .arg(QString::fromUtf8(kBranches[(n + s) % 10])));
    body += QStringLiteral(
                "<text:h text:style-name=\"H2\" text:outline-level=\"2\">%1.1 "
                "Key figures 主要指標</text:h>")
                .arg(s + 1);
    body += QStringLiteral(
                "<table:table table:name=\"表%1\" table:style-name=\"Tbl\">"
                "<table:table-column table:number-columns-repeated=\"6\"/>"
                "<table:table-header-rows><table:table-row>")
                .arg(s + 1);
    body +=
        cell.arg(QStringLiteral("HeadCell"), QStringLiteral("TableHead"), QStringLiteral("項目"));
    for (int q = 1; q <= 5; ++q)
      body += cell.arg(QStringLiteral("HeadCell"), QStringLiteral("TableHead"),
                       QStringLiteral("Q%1").arg(q));
    body += QStringLiteral("</table:table-row></table:table-header-rows>");
    for (int r = 0; r < 12; ++r) {
      body += QStringLiteral("<table:table-row>");
      body += cell.arg(
          QStringLiteral("Cell"), QStringLiteral("TableText"),
          QString::fromUtf8(kItems[r % 6]) + (r >= 6 ? QStringLiteral("（累計）") : QString()));
      for (int q = 0; q < 5; ++q)
        body += cell.arg(QStringLiteral("Cell"), QStringLiteral("TableNumber"),
                         QLocale::c().toString(int(rng.bounded(900000)) + 1000));
      body += QStringLiteral("</table:table-row>");
    }
    body += QStringLiteral("</table:table>");
    body += paragraph("BodyLatin", english()) + paragraph("Body", japanese());
    if (s % 2 == 1) {
      const QByteArray chart = Encoded(ChartLike(640, 360, quint32(n * 7 + s)), "PNG");
      body +=
          paragraph("Picture", pictureFrame(QStringLiteral("グラフ%1").arg(s + 1), chart, 12, 6.75,
                                            QStringLiteral("text:anchor-type=\"as-char\"")));
    }
    body += paragraph("Body", japanese()) + paragraph("BodyLatin", english());
  }

  const QString styles =
      "<office:styles>"
      "<style:default-style style:family=\"paragraph\"><style:paragraph-properties "
      "fo:margin-bottom=\"0.2cm\"/>" +
      textProps("Liberation Serif", "IPAMincho", 11) +
      "</style:default-style>"
      "<style:style style:name=\"Standard\" style:family=\"paragraph\"/>"
      "<style:style style:name=\"Title\" style:family=\"paragraph\"><style:paragraph-properties "
      "fo:text-align=\"center\" fo:margin-bottom=\"0.6cm\"/>" +
      textProps("Liberation Sans", "IPAGothic", 22, true) +
      "</style:style>"
      "<style:style style:name=\"H1\" style:display-name=\"Heading 1\" style:family=\"paragraph\" "
      "style:default-outline-level=\"1\"><style:paragraph-properties fo:margin-top=\"0.5cm\" "
      "fo:keep-with-next=\"always\"/>" +
      textProps("Liberation Sans", "IPAGothic", 16, true) +
      "</style:style>"
      "<style:style style:name=\"H2\" style:display-name=\"Heading 2\" style:family=\"paragraph\" "
      "style:default-outline-level=\"2\"><style:paragraph-properties fo:margin-top=\"0.3cm\" "
      "fo:keep-with-next=\"always\"/>" +
      textProps("Carlito", "IPAGothic", 13, true) +
      "</style:style>"
      "<style:style style:name=\"Body\" style:family=\"paragraph\"><style:paragraph-properties "
      "fo:text-align=\"justify\" fo:text-indent=\"0.4cm\"/>" +
      textProps("Liberation Serif", "IPAMincho", 10.5) +
      "</style:style>"
      "<style:style style:name=\"BodyLatin\" style:family=\"paragraph\">" +
      textProps("Liberation Serif", "IPAMincho", 11) +
      "</style:style>"
      "<style:style style:name=\"Picture\" style:family=\"paragraph\"><style:paragraph-properties "
      "fo:text-align=\"center\"/></style:style>"
      "<style:style style:name=\"Caption\" style:family=\"paragraph\"><style:paragraph-properties "
      "fo:text-align=\"center\"/>" +
      textProps("Liberation Sans", "IPAGothic", 9, false, "fo:font-style=\"italic\"") +
      "</style:style>"
      "<style:style style:name=\"TableHead\" "
      "style:family=\"paragraph\"><style:paragraph-properties "
      "fo:text-align=\"center\" fo:margin-bottom=\"0cm\"/>" +
      textProps("Carlito", "IPAGothic", 10, true) +
      "</style:style>"
      "<style:style style:name=\"TableText\" "
      "style:family=\"paragraph\"><style:paragraph-properties "
      "fo:margin-bottom=\"0cm\"/>" +
      textProps("Carlito", "IPAGothic", 10) +
      "</style:style>"
      "<style:style style:name=\"TableNumber\" style:family=\"paragraph\">"
      "<style:paragraph-properties fo:text-align=\"end\" fo:margin-bottom=\"0cm\"/>" +
      textProps("Carlito", "IPAGothic", 10) + "</style:style></office:styles>";
  const QString automatic = QStringLiteral(
      "<office:automatic-styles>"
      "<style:style style:name=\"Tbl\" style:family=\"table\"><style:table-properties "
      "style:width=\"17cm\" table:align=\"margins\"/></style:style>"
      "<style:style style:name=\"Cell\" style:family=\"table-cell\"><style:table-cell-properties "
      "fo:padding=\"0.05cm\" fo:border=\"0.5pt solid #404040\"/></style:style>"
      "<style:style style:name=\"HeadCell\" style:family=\"table-cell\">"
      "<style:table-cell-properties fo:background-color=\"#d9e2f0\" fo:padding=\"0.05cm\" "
      "fo:border=\"0.5pt solid #404040\"/></style:style>"
      "<style:page-layout style:name=\"pm1\"><style:page-layout-properties fo:page-width=\"21cm\" "
      "fo:page-height=\"29.7cm\" fo:margin-top=\"2cm\" fo:margin-bottom=\"2cm\" "
      "fo:margin-left=\"2cm\" fo:margin-right=\"2cm\"/></style:page-layout>"
      "</office:automatic-styles>"
      "<office:master-styles><style:master-page style:name=\"Standard\" "
      "style:page-layout-name=\"pm1\"/></office:master-styles>");
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document " + kNamespaces +
         " office:mimetype=\"application/vnd.oasis.opendocument.text\">" + fontFaces() + styles +
         automatic + "<office:body><office:text>" + body +
         "</office:text></office:body></office:document>";
}

QString WorkbookFods(int n) {
  QRandomGenerator rng(quint32(5000 + n));
  const auto text = [](const char* style, const QString& value) {
    return QStringLiteral(
               "<table:table-cell table:style-name=\"%1\" office:value-type=\"string\">"
               "<text:p>%2</text:p></table:table-cell>")
        .arg(QLatin1String(style), value);
  };
  const auto number = [](const char* style, int value) {
    return QStringLiteral(
               "<table:table-cell table:style-name=\"%1\" office:value-type=\"float\" "
               "office:value=\"%2\"><text:p>%2</text:p></table:table-cell>")
        .arg(QLatin1String(style))
        .arg(value);
  };

  // The ledger: a title, a header repeated on every page, banded rows.
  QString ledger = QStringLiteral(
                       "<table:table table:name=\"売上明細\" table:style-name=\"ta1\">"
                       "<table:table-column table:style-name=\"coName\"/>"
                       "<table:table-column table:style-name=\"coNum\" "
                       "table:number-columns-repeated=\"7\"/><table:table-row "
                       "table:style-name=\"roTitle\">") +
                   text("title", QStringLiteral("第%1期 支店別売上明細 Sales ledger").arg(n + 1)) +
                   QStringLiteral("</table:table-row><table:table-header-rows><table:table-row>") +
                   text("head", QStringLiteral("支店・品目"));
  for (const char* h : {"4月", "5月", "6月", "7月", "8月", "9月", "合計 Total"})
    ledger += text("head", QString::fromUtf8(h));
  ledger += QStringLiteral("</table:table-row></table:table-header-rows>");
  const int rows = 250 + (n % 4) * 25;
  for (int r = 0; r < rows; ++r) {
    const bool band = r % 2;
    ledger += QStringLiteral("<table:table-row table:style-name=\"ro1\">") +
              text(band ? "nameBand" : "name", QString::fromUtf8(kBranches[r % 10]) + u' ' +
                                                   QString::fromUtf8(kItems[(r / 10) % 6]) +
                                                   QStringLiteral(" No.%1").arg(r + 1));
    int total = 0;
    for (int m = 0; m < 6; ++m) {
      const int v = int(rng.bounded(5000000));
      total += v / 10;
      ledger += number(band ? "numBand" : "num", v / 10);
    }
    ledger += number(band ? "totalBand" : "total", total) + QStringLiteral("</table:table-row>");
  }
  ledger += QStringLiteral("</table:table>");

  // Pictures anchored to cells, each with a caption below it; the captions
  // make the printed range cover the pictures.
  QString pictures = QStringLiteral(
                         "<table:table table:name=\"写真\" table:style-name=\"ta1\">"
                         "<table:table-column table:style-name=\"coNum\" "
                         "table:number-columns-repeated=\"8\"/>") +
                     QStringLiteral("<table:table-row table:style-name=\"roTitle\">") +
                     text("title", QStringLiteral("店舗写真・グラフ Photos and charts")) +
                     QStringLiteral("</table:table-row>");
  for (int i = 0; i < 3; ++i) {
    const bool chart = i == 1;
    const QByteArray image =
        chart ? Encoded(ChartLike(640, 360, quint32(n * 11 + i)), "PNG")
              : Encoded(PhotoLike(880, 586, quint32(n * 13 + 100 + i)), "JPEG", 80);
    pictures += QStringLiteral("<table:table-row table:style-name=\"ro1\"><table:table-cell>") +
                pictureFrame(QStringLiteral("図%1").arg(i + 1), image, 14, chart ? 7.9 : 9.3,
                             QStringLiteral("svg:x=\"0cm\" svg:y=\"0cm\"")) +
                QStringLiteral("</table:table-cell></table:table-row>");
    pictures += QStringLiteral(
                    "<table:table-row table:style-name=\"ro1\" "
                    "table:number-rows-repeated=\"%1\"><table:table-cell/>"
                    "</table:table-row>")
                    .arg(chart ? 16 : 19);
    pictures += QStringLiteral("<table:table-row table:style-name=\"ro1\">") +
                text("caption", QStringLiteral("図%1 %2 (Figure %1)")
                                    .arg(i + 1)
                                    .arg(QString::fromUtf8(kBranches[(n + i) % 10]))) +
                QStringLiteral("</table:table-row>");
  }
  pictures += QStringLiteral("</table:table>");

  const auto cellStyle = [](const char* name, const char* fill, const QString& props,
                            const char* extra = "") {
    return QStringLiteral(
               "<style:style style:name=\"%1\" style:family=\"table-cell\" %4>"
               "<style:table-cell-properties fo:background-color=\"%2\" "
               "fo:border=\"0.5pt solid #808080\"/>%3</style:style>")
        .arg(QLatin1String(name), QLatin1String(fill), props, QLatin1String(extra));
  };
  const char* numberFormat = "style:data-style-name=\"N1\"";
  const QString automatic =
      "<office:automatic-styles>"
      "<number:number-style style:name=\"N1\"><number:number number:decimal-places=\"0\" "
      "number:min-integer-digits=\"1\" number:grouping=\"true\"/></number:number-style>"
      "<style:style style:name=\"ta1\" style:family=\"table\" style:master-page-name=\"Default\">"
      "<style:table-properties table:display=\"true\"/></style:style>"
      "<style:style style:name=\"coName\" style:family=\"table-column\">"
      "<style:table-column-properties style:column-width=\"4.2cm\"/></style:style>"
      "<style:style style:name=\"coNum\" style:family=\"table-column\">"
      "<style:table-column-properties style:column-width=\"1.95cm\"/></style:style>"
      "<style:style style:name=\"ro1\" style:family=\"table-row\"><style:table-row-properties "
      "style:row-height=\"0.48cm\"/></style:style>"
      "<style:style style:name=\"roTitle\" style:family=\"table-row\"><style:table-row-properties "
      "style:row-height=\"1.0cm\"/></style:style>"
      "<style:style style:name=\"title\" style:family=\"table-cell\">" +
      textProps("Liberation Sans", "IPAGothic", 16, true) + "</style:style>" +
      cellStyle("head", "#1f4e79",
                textProps("Carlito", "IPAGothic", 10, true, "fo:color=\"#ffffff\"")) +
      cellStyle("name", "#ffffff", textProps("Liberation Serif", "IPAMincho", 10)) +
      cellStyle("nameBand", "#eef3f8", textProps("Liberation Serif", "IPAMincho", 10)) +
      cellStyle("num", "#ffffff", textProps("Carlito", "IPAGothic", 10), numberFormat) +
      cellStyle("numBand", "#eef3f8", textProps("Carlito", "IPAGothic", 10), numberFormat) +
      cellStyle("total", "#fff2cc", textProps("Liberation Sans", "IPAGothic", 10, true),
                numberFormat) +
      cellStyle("totalBand", "#ffe699", textProps("Liberation Sans", "IPAGothic", 10, true),
                numberFormat) +
      "<style:style style:name=\"caption\" style:family=\"table-cell\">" +
      textProps("Liberation Sans", "IPAGothic", 9, false, "fo:font-style=\"italic\"") +
      "</style:style>"
      "<style:page-layout style:name=\"pm1\"><style:page-layout-properties fo:page-width=\"21cm\" "
      "fo:page-height=\"29.7cm\" fo:margin-top=\"1.5cm\" fo:margin-bottom=\"1.5cm\" "
      "fo:margin-left=\"1.5cm\" fo:margin-right=\"1.5cm\"/></style:page-layout>"
      "</office:automatic-styles>"
      "<office:master-styles><style:master-page style:name=\"Default\" "
      "style:page-layout-name=\"pm1\"/></office:master-styles>";
  const QString styles = "<office:styles><style:default-style style:family=\"table-cell\">" +
                         textProps("Liberation Sans", "IPAGothic", 10) +
                         "</style:default-style></office:styles>";
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document " + kNamespaces +
         " office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">" + fontFaces() +
         styles + automatic + "<office:body><office:spreadsheet>" + ledger + pictures +
         "</office:spreadsheet></office:body></office:document>";
}

QStringList MakeRealDocuments(
    const QString& folder, const QString& work, int count,
    const std::function<void(const QString&, const QString&, const QString&)>& convert) {
  QDir().mkpath(folder);
  QDir().mkpath(work);
  QStringList made;
  const auto make = [&](const QString& flat, const QString& xml, const QString& name,
                        const QString& format) {
    QFile f(work + u'/' + flat);
    if (f.open(QIODevice::WriteOnly)) f.write(xml.toUtf8());
    f.close();
    convert(f.fileName(), folder + u'/' + name, format);
    made << name;
  };
  for (int i = 0; i < count; ++i) {
    const QString number = QStringLiteral("%1").arg(i, 2, 10, QChar(u'0'));
    make(QStringLiteral("report%1.fodt").arg(i), ReportFodt(i),
         QStringLiteral("報告書%1.doc").arg(number), QStringLiteral("doc"));
    make(QStringLiteral("ledger%1.fods").arg(i), WorkbookFods(i),
         QStringLiteral("売上明細%1.xls").arg(number), QStringLiteral("xls"));
  }
  return made;
}

}  // namespace folvane::bench
