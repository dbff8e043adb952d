#pragma once

#include <QList>
#include <QString>

namespace folvane::platform {

// Registry key and value the virtual PDF printer takes its output name from,
// and the win.ini section and key it falls back to.
inline const QString kPdfWriterRegistryKey = QStringLiteral("SoftWare\\Adobe\\Acrobat PDFWriter");
inline const QString kPdfWriterFileNameValue = QStringLiteral("PDFFileName");
inline const QString kPdfWriterIniSection = QStringLiteral("Acrobat PDFWriter");

// A PDF the virtual PDF printer wrote beside the name it was given.
struct Diversion {
  QString wanted;
  QString written;
  bool operator==(const Diversion&) const = default;
};

// Prints finished PDF files to the default printer.
class Spooler {
 public:
  virtual ~Spooler() = default;

  // Prints `pdfPath` as one job to the default printer. The virtual PDF
  // printer writes the PDF under its output name (the registry name when
  // that file's folder exists, else the win.ini name), complete when this
  // returns; a CUPS queue gets it as a job. Throws platform::Failure naming
  // the document (`title`), the printer and the cause: no print service, no
  // such printer, job refused, file unreadable. The virtual printer never
  // replaces a file other than its collecting file: it writes beside it
  // under the first free name "<name> (n).pdf".
  virtual void PrintPdf(const QString& pdfPath, const QString& title) = 0;

  // The PDFs written beside their given name since the last call.
  virtual QList<Diversion> TakeDiversions() = 0;
};

}  // namespace folvane::platform
