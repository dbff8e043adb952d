#include <unistd.h>

#include <QFile>
#include <QList>

#include "CpuGauge.h"

namespace folvane::platform {
namespace {

qint64 ticksToNs(qint64 ticks) {
  static const qint64 perSecond = ::sysconf(_SC_CLK_TCK);
  return perSecond > 0 ? ticks * 1000000000 / perSecond : 0;
}

QByteArray firstLine(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readLine();
}

}  // namespace

qint64 LinuxCpuGauge::IdleNs() const {
  // "cpu  user nice system idle iowait ...": a core waiting for the disk
  // would run something else if it had it.
  const QList<QByteArray> fields = firstLine(QStringLiteral("/proc/stat")).simplified().split(' ');
  if (fields.size() < 6 || fields[0] != "cpu") return 0;
  return ticksToNs(fields[4].toLongLong() + fields[5].toLongLong());
}

qint64 LinuxCpuGauge::ProcessNs(qint64 pid) const {
  if (pid <= 0) return 0;
  const QByteArray line = firstLine(QStringLiteral("/proc/%1/stat").arg(pid));
  // The name in parentheses may hold blanks: count fields after it. utime
  // and stime are fields 14 and 15, the 12th and 13th after the name.
  const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
  if (fields.size() < 13) return 0;
  return ticksToNs(fields[11].toLongLong() + fields[12].toLongLong());
}

}  // namespace folvane::platform
