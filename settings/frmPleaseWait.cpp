#include "settings/frmPleaseWait.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "imaging/imaging.h"
#include "platform/events.h"
#include "platform/fonts.h"

namespace orvane::settings {

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 140;
constexpr int kBarWidth = 260;
constexpr int kBarHeight = 14;

const QString kMessage = QStringLiteral("Setting WallPaper,\r\nOne Moment Please");

// A label shows CR LF as one line break.
QString Displayed(const QString& caption) {
  QString text = caption;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

QFrame* MakeBar(QWidget* parent, QFrame*& shape, const QColor& colour) {
  auto* box = new QFrame(parent);
  box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  box->setLineWidth(1);
  box->resize(kBarWidth, kBarHeight);
  box->setAutoFillBackground(true);
  QPalette boxPalette = box->palette();
  boxPalette.setColor(QPalette::Window, Qt::white);
  box->setPalette(boxPalette);
  shape = new QFrame(box);
  shape->setAutoFillBackground(true);
  QPalette palette = shape->palette();
  palette.setColor(QPalette::Window, colour);
  shape->setPalette(palette);
  shape->setGeometry(1, 1, 0, kBarHeight - 2);
  return box;
}

}  // namespace

struct frmPleaseWait::Form {
  std::unique_ptr<QWidget> widget;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* lblStatus = nullptr;
  QFrame* picMeter = nullptr;
  QFrame* shpMeter = nullptr;
  QFrame* picTotal = nullptr;
  QFrame* shpTotal = nullptr;
};

frmPleaseWait::frmPleaseWait() = default;

frmPleaseWait::~frmPleaseWait() {
  // The callbacks must not reach a window that is gone.
  if (window_) core::SetPleaseWaitMeterSink(nullptr);
}

void frmPleaseWait::Load() {
  if (window_) return;
  window_ = std::make_unique<Form>();
  Form& f = *window_;
  f.widget = std::make_unique<QWidget>(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                                                    Qt::WindowTitleHint);
  f.widget->setObjectName(QStringLiteral("frmPleaseWait"));
  f.widget->setWindowTitle(QStringLiteral("Please Wait"));
  f.widget->setFixedSize(kWidth, kHeight);

  platform::FontSpec face;
  face.Name = QStringLiteral("Times New Roman");
  face.Size = 12;
  face.Bold = true;
  const QFont messageFont = platform::MakeQFont(face);
  // Label1 is the shadow one unit below and to the right of Label2.
  f.Label1 = new QLabel(f.widget.get());
  f.Label1->setFont(messageFont);
  f.Label1->setStyleSheet(QStringLiteral("color: #a0a0a0;"));
  f.Label2 = new QLabel(f.widget.get());
  f.Label2->setFont(messageFont);
  f.Label2->setStyleSheet(QStringLiteral("color: #000080;"));
  for (QLabel* label : {f.Label1, f.Label2}) {
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  f.Label3 = new QLabel(f.widget.get());
  f.Label3->setGeometry(0, 0, 0, 0);
  f.lblStatus = new QLabel(f.widget.get());
  f.lblStatus->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  f.lblStatus->setGeometry(10, 58, kWidth - 20, 20);
  f.picMeter = MakeBar(f.widget.get(), f.shpMeter, QColor(0, 0, 160));
  f.picMeter->move(0, 86);
  f.picTotal = MakeBar(f.widget.get(), f.shpTotal, QColor(0, 128, 0));
  f.picTotal->move(0, 108);
  f.Label1->setObjectName(QStringLiteral("Label1"));
  f.Label2->setObjectName(QStringLiteral("Label2"));
  f.Label3->setObjectName(QStringLiteral("Label3"));
  f.lblStatus->setObjectName(QStringLiteral("lblStatus"));
  f.picMeter->setObjectName(QStringLiteral("picMeter"));
  f.shpMeter->setObjectName(QStringLiteral("shpMeter"));
  f.picTotal->setObjectName(QStringLiteral("picTotal"));
  f.shpTotal->setObjectName(QStringLiteral("shpTotal"));
  Form_Load();
}

void frmPleaseWait::Form_Load() {
  Form& f = *window_;
  f.Label1->setText(Displayed(kMessage));
  f.Label2->setText(Displayed(kMessage));
  const int scaleWidth = f.widget->width();
  const int scaleHeight = f.widget->height();
  f.Label1->setGeometry(1, 6, scaleWidth, scaleHeight);
  f.Label2->setGeometry(0, 5, scaleWidth, scaleHeight);
  f.Label2->raise();
  const int left = (scaleWidth - f.picMeter->width()) / 2;
  f.picMeter->move(left, f.picMeter->y());
  f.picTotal->move(left, f.picTotal->y());
  meter_ = 0;
  total_ = 0;
  DrawBars();
  core::SetPleaseWaitMeterSink(this);
  imaging::SetProgressCallback(&core::PleaseWaitProgressCallback1);
  imaging::SetFilterProgressCallback(&core::PleaseWaitProgressCallback2);
  f.lblStatus->setText(QStringLiteral("Starting..."));
}

void frmPleaseWait::Show() {
  Load();
  QWidget* w = window_->widget.get();
  // Centred over the dialog it belongs to, or on the screen when it stands alone.
  QRect area;
  if (QWidget* owner = QApplication::activeWindow(); owner && owner != w) area = owner->frameGeometry();
  else if (const QScreen* screen = QGuiApplication::primaryScreen()) area = screen->availableGeometry();
  if (area.isValid()) w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
  w->show();
  w->raise();
}

void frmPleaseWait::Hide() {
  if (window_) window_->widget->hide();
}

void frmPleaseWait::Unload() {
  if (!window_) return;
  window_->widget->hide();
  core::SetPleaseWaitMeterSink(nullptr);
  window_.reset();
}

bool frmPleaseWait::Visible() const { return window_ && window_->widget->isVisible(); }

void frmPleaseWait::Alert() {
  if (!Visible()) return;
  window_->widget->raise();
  window_->widget->activateWindow();
  QApplication::alert(window_->widget.get());
}

void frmPleaseWait::SetStatus(const QString& text) {
  Load();
  window_->lblStatus->setText(text);
  window_->lblStatus->repaint();
}

QString frmPleaseWait::Status() const { return window_ ? window_->lblStatus->text() : QString(); }

QWidget* frmPleaseWait::Window() const { return window_ ? window_->widget.get() : nullptr; }

void frmPleaseWait::SetMeterWidth(double width) {
  meter_ = std::clamp(width, 0.0, 100.0);
  DrawBars();
}

void frmPleaseWait::SetTotalWidth(float width) {
  total_ = std::clamp(double(width), 0.0, 100.0);
  DrawBars();
}

void frmPleaseWait::DrawBars() {
  if (!window_) return;
  Form& f = *window_;
  const int inner = kBarWidth - 2;
  f.shpMeter->resize(int(inner * meter_ / 100.0 + 0.5), kBarHeight - 2);
  f.shpTotal->resize(int(inner * total_ / 100.0 + 0.5), kBarHeight - 2);
}

frmPleaseWait& PleaseWait() {
  // Never destroyed: its widgets must not outlive the application object.
  static frmPleaseWait* window = new frmPleaseWait;
  return *window;
}

}  // namespace orvane::settings
