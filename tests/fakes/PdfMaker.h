#pragma once

#include <qpdf/QPDF.hh>

#include <functional>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace folvane::fakes {

// Makes small real PDFs for tests: page i shows "<label> p<i>", and with
// `outline` each page has a bookmark "<label>-<i>"; the first bookmark has
// a child pointing at the last page, and the second goes by a named
// destination, as many real files do.
inline void MakePdf(const QString& path, const QString& label, int pages, bool outline = true,
                    const char* userPassword = nullptr) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFPageDocumentHelper helper(pdf);
  QPDFObjectHandle font = pdf.makeIndirectObject(
      QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"));
  std::vector<QPDFObjectHandle> made;
  for (int i = 1; i <= pages; ++i) {
    const std::string text = QStringLiteral("%1 p%2").arg(label).arg(i).toStdString();
    QPDFObjectHandle content =
        QPDFObjectHandle::newStream(&pdf, "BT /F1 24 Tf 72 700 Td (" + text + ") Tj ET");
    QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Page /MediaBox [0 0 612 792] /Resources << /Font << >> >> >>"));
    page.getKey("/Resources").getKey("/Font").replaceKey("/F1", font);
    page.replaceKey("/Contents", content);
    helper.addPage(QPDFPageObjectHelper(page), false);
    made.push_back(helper.getAllPages().back().getObjectHandle());
  }
  if (outline && pages > 0) {
    QPDFObjectHandle root =
        pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
    QPDFObjectHandle dests = QPDFObjectHandle::newDictionary();
    std::vector<QPDFObjectHandle> items;
    for (int i = 0; i < pages; ++i) {
      QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
      item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(
                                    QStringLiteral("%1-%2").arg(label).arg(i + 1).toStdString()));
      QPDFObjectHandle dest = QPDFObjectHandle::newArray();
      dest.appendItem(made[size_t(i)]);
      dest.appendItem(QPDFObjectHandle::newName("/Fit"));
      if (i == 1) {
        dests.replaceKey("/second", dest);
        item.replaceKey("/Dest", QPDFObjectHandle::newName("/second"));
      } else {
        item.replaceKey("/Dest", dest);
      }
      item.replaceKey("/Parent", root);
      if (!items.empty()) {
        items.back().replaceKey("/Next", item);
        item.replaceKey("/Prev", items.back());
      }
      items.push_back(item);
    }
    // A nested entry under the first one, pointing at the last page.
    QPDFObjectHandle child = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    child.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(
                                   QStringLiteral("%1-child").arg(label).toStdString()));
    QPDFObjectHandle childDest = QPDFObjectHandle::newArray();
    childDest.appendItem(made.back());
    childDest.appendItem(QPDFObjectHandle::newName("/Fit"));
    child.replaceKey("/Dest", childDest);
    child.replaceKey("/Parent", items.front());
    items.front().replaceKey("/First", child);
    items.front().replaceKey("/Last", child);
    items.front().replaceKey("/Count", QPDFObjectHandle::newInteger(1));
    root.replaceKey("/First", items.front());
    root.replaceKey("/Last", items.back());
    root.replaceKey("/Count", QPDFObjectHandle::newInteger(pages + 1));
    pdf.getRoot().replaceKey("/Outlines", root);
    pdf.getRoot().replaceKey("/Dests", dests);
  }
  const QByteArray name = QFile::encodeName(path);  // the writer keeps the pointer
  QPDFWriter writer(pdf, name.constData());
  if (userPassword)
    writer.setR6EncryptionParameters(userPassword, "owner", true, true, true, true, true, true,
                                     qpdf_r3p_full, true);
  writer.write();
}

// A PDF whose pages carry nothing but their text: size, rotation and fonts
// sit on the page tree nodes above them, as many producers write it (the
// root carries /Resources and /Rotate, an inner node /MediaBox and /CropBox).
inline void MakeInheritingPdf(const QString& path, const QString& label, int pages, int width,
                              int height, int rotate) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFObjectHandle root = pdf.getRoot().getKey("/Pages");
  QPDFObjectHandle font = pdf.makeIndirectObject(
      QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>"));
  QPDFObjectHandle resources = QPDFObjectHandle::parse("<< /Font << >> >>");
  resources.getKey("/Font").replaceKey("/F1", font);
  root.replaceKey("/Resources", resources);
  root.replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotate));
  QPDFObjectHandle inner = pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Pages /MediaBox [0 0 " + std::to_string(width) + " " + std::to_string(height) +
      "] /CropBox [0 0 " + std::to_string(width) + " " + std::to_string(height) + "] >>"));
  inner.replaceKey("/Parent", root);
  QPDFObjectHandle kids = QPDFObjectHandle::newArray();
  for (int i = 1; i <= pages; ++i) {
    const std::string text = QStringLiteral("%1 p%2").arg(label).arg(i).toStdString();
    QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page >>"));
    page.replaceKey("/Parent", inner);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(
                                     &pdf, "BT /F1 20 Tf 30 40 Td (" + text + ") Tj ET"));
    kids.appendItem(page);
  }
  inner.replaceKey("/Kids", kids);
  inner.replaceKey("/Count", QPDFObjectHandle::newInteger(pages));
  root.replaceKey("/Kids", QPDFObjectHandle::parse("[]"));
  root.getKey("/Kids").appendItem(inner);
  root.replaceKey("/Count", QPDFObjectHandle::newInteger(pages));
  const QByteArray name = QFile::encodeName(path);  // the writer keeps the pointer
  QPDFWriter writer(pdf, name.constData());
  writer.write();
}

// A one-page PDF with a filled text field `name` holding `value`, whose
// stored picture still shows "stale": the form asks viewers to draw its
// fields anew (/NeedAppearances), as many filled application forms do.
// With `places` above 1 the value stands in as many fields of that name,
// one under the other, as a form repeats a date.
inline void MakeFormPdf(const QString& path, const QString& name, const QString& value,
                        int places = 1) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFObjectHandle font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
  QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Page /MediaBox [0 0 612 792] /Resources << /Font << >> >> >>"));
  page.getKey("/Resources").getKey("/Font").replaceKey("/F1", font);
  page.replaceKey("/Contents",
                  QPDFObjectHandle::newStream(
                      &pdf, "BT /F1 24 Tf 72 700 Td (" + value.toStdString() + " form) Tj ET"));
  QPDFObjectHandle stale =
      QPDFObjectHandle::newStream(&pdf, "/Tx BMC BT /Helv 14 Tf 0 g 2 6 Td (stale) Tj ET EMC");
  stale.replaceDict(QPDFObjectHandle::parse(
      "<< /Type /XObject /Subtype /Form /BBox [0 0 300 30] /Resources << /Font << >> >> >>"));
  stale.getDict().getKey("/Resources").getKey("/Font").replaceKey("/Helv", font);
  page.replaceKey("/Annots", QPDFObjectHandle::newArray());
  QPDFObjectHandle form = QPDFObjectHandle::parse(
      "<< /DA (/Helv 14 Tf 0 g) /NeedAppearances true /DR << /Font << >> >> >>");
  form.getKey("/DR").getKey("/Font").replaceKey("/Helv", font);
  form.replaceKey("/Fields", QPDFObjectHandle::newArray());
  for (int place = 0; place < places; ++place) {
    const int y = 600 - 60 * place;
    QPDFObjectHandle field = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Annot /Subtype /Widget /FT /Tx /Rect [72 " + std::to_string(y) + " 372 " +
        std::to_string(y + 30) + "] /F 4 >>"));
    field.replaceKey("/T", QPDFObjectHandle::newUnicodeString(name.toStdString()));
    field.replaceKey("/V", QPDFObjectHandle::newUnicodeString(value.toStdString()));
    field.replaceKey("/AP", QPDFObjectHandle::newDictionary());
    field.getKey("/AP").replaceKey("/N", stale);
    field.replaceKey("/P", page);
    page.getKey("/Annots").appendItem(field);
    form.getKey("/Fields").appendItem(field);
  }
  QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);
  pdf.getRoot().replaceKey("/AcroForm", form);
  const QByteArray file = QFile::encodeName(path);
  QPDFWriter writer(pdf, file.constData());
  writer.write();
}

// A one-page PDF showing "<label> p1", with a layer its viewer hides by
// default: a black box over the whole page.
inline void MakeLayeredPdf(const QString& path, const QString& label) {
  const QString plain = path + ".plain";
  MakePdf(plain, label, 1, false);
  {
    QPDF pdf;
    pdf.processFile(QFile::encodeName(plain).constData());
    QPDFObjectHandle ocg =
        pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /OCG /Name (hidden box) >>"));
    QPDFObjectHandle page = pdf.getAllPages().front();
    page.getKey("/Resources").replaceKey("/Properties", QPDFObjectHandle::newDictionary());
    page.getKey("/Resources").getKey("/Properties").replaceKey("/box", ocg);
    page.addPageContents(QPDFObjectHandle::newStream(&pdf, "/OC /box BDC 0 g 0 0 612 792 re f EMC"),
                         false);
    QPDFObjectHandle properties =
        QPDFObjectHandle::parse("<< /OCGs [] /D << /OFF [] /Order [] >> >>");
    properties.getKey("/OCGs").appendItem(ocg);
    properties.getKey("/D").getKey("/OFF").appendItem(ocg);
    properties.getKey("/D").getKey("/Order").appendItem(ocg);
    pdf.getRoot().replaceKey("/OCProperties", properties);
    const QByteArray file = QFile::encodeName(path);
    QPDFWriter writer(pdf, file.constData());
    writer.write();
  }
  QFile::remove(plain);
}

// The text markers of a PDF's pages, in page order ("<label> p<i>").
inline QStringList PageLabels(const QString& path) {
  QPDF pdf;
  pdf.processFile(QFile::encodeName(path).constData());
  QStringList labels;
  for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    const auto buffer = page.getObjectHandle().getKey("/Contents").getStreamData();
    const std::string data(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
    const size_t open = data.find('(');
    const size_t close = data.find(')', open);
    labels << QString::fromStdString(data.substr(open + 1, close - open - 1));
  }
  return labels;
}

// Outline entries as qpdf's JSON gives them: "title>page" with the page
// counted from 1, children indented by two blanks.
inline QStringList OutlineOf(const QString& pdf) {
  QProcess qpdf;
  qpdf.start("qpdf", {"--json=2", "--json-key=outlines", pdf});
  qpdf.waitForFinished(30000);
  const QJsonArray top =
      QJsonDocument::fromJson(qpdf.readAllStandardOutput()).object().value("outlines").toArray();
  QStringList out;
  std::function<void(const QJsonArray&, QString)> walk = [&](const QJsonArray& items,
                                                             QString indent) {
    for (const auto& v : items) {
      const QJsonObject o = v.toObject();
      out << indent + o.value("title").toString() + ">" +
                 QString::number(o.value("destpageposfrom1").toInt());
      walk(o.value("kids").toArray(), indent + "  ");
    }
  };
  walk(top, "");
  return out;
}

}  // namespace folvane::fakes
