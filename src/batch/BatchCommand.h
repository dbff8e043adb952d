#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace folvane::batch {

// The command's exit statuses.
constexpr int kDone = 0;        // every file done
constexpr int kSomeFailed = 1;  // done, but files were refused, failed or kept
constexpr int kBadUsage = 2;
constexpr int kCannotRun = 3;  // no engine, no such folder, target not writable, folder busy

enum class Job { Convert, Merge, Print };

// One run the command line asks for.
struct Request {
  Job job = Job::Convert;
  QString source;  // the folder
  QString target;  // convert: the destination folder; merge: the merged file
  bool deleteSources = false;
  bool replace = false;
  bool modern = false;  // today's formats too (.docx, .xlsx, ...)
  QString log;
  QString printer;  // print: empty for the system's default printer
  bool json = false;
};

// What the command line says: a run, or a text to print (help, version, or
// what is wrong) and the status to end with.
struct Parsed {
  std::optional<Request> request;
  QString text;
  int status = kDone;
};

// `arguments` without the program's name.
Parsed ParseArguments(const QStringList& arguments);

QString HelpText();

}  // namespace folvane::batch
