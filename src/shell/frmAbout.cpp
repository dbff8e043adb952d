#include "frmAbout.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "widgets/controls/Twips.h"

namespace folvane {
namespace {

// An etched horizontal rule: a grey line over a white one.
class EtchedRule : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(QColor(128, 128, 128));
    p.drawLine(0, 0, width() - 1, 0);
    p.setPen(Qt::white);
    p.drawLine(0, 1, width() - 1, 1);
  }
};

}  // namespace

frmAbout::frmAbout() {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
  setFont(WindowFont());
  setFixedSize(Tw(5340), Tw(1995));

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(TwRect(0, 0, 1755, 1395));
  Image1->setPixmap(QIcon(QStringLiteral(":/icons/about.svg")).pixmap(Image1->size()));

  const QFont font = UiFont(11.25, true);
  const struct {
    QLabel** label;
    const char* name;
    int top;
    QString text;
  } labels[] = {
      {&Label1, "Label1", 0, QStringLiteral("Folvane")},
      {&Label2, "Label2", 240, QStringLiteral("PDF 変換・統合・印刷ツール")},
      {&Label3, "Label3", 480, QStringLiteral("Word・Excel を PDF に一括変換")},
      {&Label4, "Label4", 840, QStringLiteral("バージョン\u30001.0.0")},
  };
  for (const auto& l : labels) {
    auto* label = new QLabel(l.text, this);
    label->setObjectName(QString::fromLatin1(l.name));
    label->setFont(font);
    label->setGeometry(Tw(1800), Tw(l.top), Tw(5340 - 1800), Tw(360));
    *l.label = label;
  }

  auto* rule = new EtchedRule(this);
  rule->setGeometry(Tw(120), Tw(1440), Tw(5280 - 120), 2);

  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setGeometry(TwRect(3840, 1560, 1380, 345));
  cmdOK->setDefault(true);
  connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
}

// Esc reaches QDialog::reject, which closes the window too.
void frmAbout::cmdOK_Click() {
  accept();
}

}  // namespace folvane
