#include "BatchCommand.h"

namespace folvane::batch {
namespace {

Parsed usage(const QString& what) {
  return {std::nullopt, what + QStringLiteral("\n使い方は folvane-batch --help で表示されます。\n"),
          kBadUsage};
}

}  // namespace

QString HelpText() {
  return QStringLiteral(
      "使い方:\n"
      "  folvane-batch convert SRC DEST [--delete-sources] [--replace] [--modern] [--log FILE]\n"
      "                                [--json]\n"
      "  folvane-batch merge SRC OUT.pdf [--json]\n"
      "  folvane-batch print SRC [--printer NAME] [--json]\n"
      "\n"
      "convert  フォルダー SRC の Word・Excel ファイル（.doc .xls）と画像（.jpg .tif）を PDF に\n"
      "         変換し、フォルダー DEST に置きます。同じ名前の PDF があるときは番号付きの\n"
      "         名前にします。\n"
      "  --delete-sources  PDF にした元のファイルを削除します（PDF にした内容のままの\n"
      "                    ファイルだけ）。\n"
      "  --replace         同じ名前の PDF を置き換えます。\n"
      "  --modern          .docx .docm .xlsx .xlsm .rtf .odt .ods のファイルも変換します\n"
      "                    （report.docx は report.pdf になります）。\n"
      "  --log FILE        変換の記録を FILE に追記します。\n"
      "merge    フォルダー SRC の PDF ファイルを名前の順に 1 つの PDF にまとめ、OUT.pdf に\n"
      "         保存します。しおりはすべて残ります。開けないファイルがあるときは何も\n"
      "         書き込みません。\n"
      "print    フォルダー SRC の PDF ファイルを名前の順に印刷します。\n"
      "  --printer NAME    プリンター NAME に印刷します（既定: システムの通常使うプリンター）。\n"
      "\n"
      "  --json     ファイルごとの結果を 1 行 1 つの JSON で標準出力に書きます。\n"
      "  --help     この説明を表示します。\n"
      "  --version  版数を表示します。\n"
      "\n"
      "終了コード: 0 すべて完了、1 完了したが変換・処理できなかったファイルがある、\n"
      "2 使い方の誤り、3 処理を実行できなかった（フォルダーがない、書き込めない、\n"
      "変換プログラムがない、同じフォルダーをほかの変換が処理中）。\n");
}

Parsed ParseArguments(const QStringList& arguments) {
  if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h")))
    return {std::nullopt, HelpText(), kDone};
  if (arguments.contains(QStringLiteral("--version")))
    return {std::nullopt, QStringLiteral("folvane-batch %1\n").arg(QStringLiteral(FOLVANE_VERSION)),
            kDone};
  if (arguments.isEmpty())
    return usage(QStringLiteral("処理（convert・merge・print）を指定してください。"));

  Request r;
  const QString job = arguments[0];
  if (job == u"convert")
    r.job = Job::Convert;
  else if (job == u"merge")
    r.job = Job::Merge;
  else if (job == u"print")
    r.job = Job::Print;
  else
    return usage(QStringLiteral("「%1」という処理はありません。").arg(job));

  QStringList positional;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    const auto value = [&](QString& into) {
      if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) return false;
      into = arguments[++i];
      return true;
    };
    const bool converting = r.job == Job::Convert;
    if (a == u"--json") {
      r.json = true;
    } else if (converting && a == u"--delete-sources") {
      r.deleteSources = true;
    } else if (converting && a == u"--replace") {
      r.replace = true;
    } else if (converting && a == u"--modern") {
      r.modern = true;
    } else if (converting && a == u"--log") {
      if (!value(r.log)) return usage(QStringLiteral("--log にはファイル名が必要です。"));
    } else if (r.job == Job::Print && a == u"--printer") {
      if (!value(r.printer)) return usage(QStringLiteral("--printer にはプリンター名が必要です。"));
    } else if (a == u"--") {
      positional += arguments.mid(i + 1);
      break;
    } else if (a.startsWith(u'-') && a.size() > 1) {
      return usage(QStringLiteral("%1 にはオプション「%2」はありません。").arg(job, a));
    } else {
      positional << a;
    }
  }
  const qsizetype wanted = r.job == Job::Print ? 1 : 2;
  if (positional.size() != wanted || positional.contains(QString()))
    return usage(
        r.job == Job::Convert ? QStringLiteral("convert には SRC と DEST を指定してください。")
        : r.job == Job::Merge ? QStringLiteral("merge には SRC と OUT.pdf を指定してください。")
                              : QStringLiteral("print には SRC だけを指定してください。"));
  r.source = positional[0];
  if (wanted == 2) r.target = positional[1];
  return {r, {}, kDone};
}

}  // namespace folvane::batch
