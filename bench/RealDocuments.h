#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

namespace folvane::bench {

// A picture like a photograph: sky and ground gradients, soft blobs and
// grain, so JPEG cannot squeeze it much. The same seed gives the same picture.
QImage PhotoLike(int width, int height, quint32 seed);

// A bar chart with flat colours and labels, as a PNG holds it well.
QImage ChartLike(int width, int height, quint32 seed);

QByteArray Encoded(const QImage& image, const char* format, int quality = -1);

// Flat OpenDocument text (FODT) of several pages: headings, prose in Latin
// and Japanese fonts, bordered tables and embedded pictures. `n` varies it.
QString ReportFodt(int n);

// Flat OpenDocument spreadsheet (FODS): a long styled table over several
// printed pages and a sheet of embedded pictures with captions.
QString WorkbookFods(int n);

// The fonts the documents name, as installed here.
QStringList RealDocumentFonts();

// Writes `count` Word documents and `count` Excel workbooks into `folder`,
// each made by `convert(from, to, format)` from a flat document written
// into `work`. Returns the names made, in making order.
QStringList MakeRealDocuments(
    const QString& folder, const QString& work, int count,
    const std::function<void(const QString&, const QString&, const QString&)>& convert);

}  // namespace folvane::bench
