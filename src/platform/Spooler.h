#pragma once

#include <QString>

namespace folvane::platform {

// Registry key and value the virtual PDF printer takes its output name from,
// and the win.ini section and key it falls back to.
inline const QString kPdfWriterRegistryKey = QStringLiteral("SoftWare\\Adobe\\Acrobat PDFWriter");
inline const QString kPdfWriterFileNameValue = QStringLiteral("PDFFileName");
inline const QString kPdfWriterIniSection = QStringLiteral("Acrobat PDFWriter");

// Prints finished PDF files to the default printer.
class Spooler {
 public:
  virtual ~Spooler() = default;

  // Prints `pdfPath` as one job to the default printer. The virtual PDF
  // printer writes the PDF under its output name (the registry name when
  // that file's folder exists, else the win.ini name), complete when this
  // returns; a CUPS queue gets it as a job. Throws platform::Failure naming
  // the document (`title`), the printer and the cause: no print service, no
  // such printer, job refused, file unreadable.
  virtual void PrintPdf(const QString& pdfPath, const QString& title) = 0;
};

}  // namespace folvane::platform
