#include "platform/vbcontrols.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <algorithm>

#include "platform/textcodec.h"

namespace orvane::platform {

namespace {

// The entry's text as the program gave it (code-page bytes), beside the text shown.
constexpr int kBytesRole = Qt::UserRole + 1;
constexpr int kItemDataRole = Qt::UserRole + 2;

// Restores a flag when the scope ends, so a handler that throws leaves it sound.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = before_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
  bool before_;
};

int ButtonBits(Qt::MouseButtons buttons) {
  int bits = 0;
  if (buttons & Qt::LeftButton) bits |= 1;
  if (buttons & Qt::RightButton) bits |= 2;
  if (buttons & Qt::MiddleButton) bits |= 4;
  return bits;
}

int ShiftBits(Qt::KeyboardModifiers modifiers) {
  int bits = 0;
  if (modifiers & Qt::ShiftModifier) bits |= 1;
  if (modifiers & Qt::ControlModifier) bits |= 2;
  if (modifiers & Qt::AltModifier) bits |= 4;
  return bits;
}

float Twips(qreal pixels) { return static_cast<float>(pixels * kTwipsPerPixel); }

void Raise(const std::function<void()>& handler) {
  if (handler) handler();
}

}  // namespace

void MoveTwips(QWidget& widget, int left, int top, int width, int height) {
  widget.setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                     TwipsToPixels(height));
}

// Captions and list entries are names and texts in the form NameBytes gives:
// windows-1252, or UTF-8 for what that code page cannot hold.
QString CaptionText(const std::string& bytes) { return NameToQString(bytes); }
std::string CaptionBytes(const QString& text) { return NameBytes(text.toStdString()); }

// --- VbListBox -------------------------------------------------------------------

VbListBox::VbListBox(QWidget* parent, bool multiSelect)
    : QListWidget(parent), multiSelect_(multiSelect) {
  setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection
                               : QAbstractItemView::SingleSelection);
  setMouseTracking(true);
  setUniformItemSizes(true);
  // Changes made by the user raise Click; changes made in code raise it in the
  // setter itself.
  connect(this, &QListWidget::itemSelectionChanged, this, [this] {
    if (!inCode_) RaiseClick();
  });
}

void VbListBox::RaiseClick() { Raise(Click); }

std::string VbListBox::List(int index) const {
  const QListWidgetItem* entry = item(index);
  return entry ? entry->data(kBytesRole).toByteArray().toStdString() : std::string();
}

int VbListBox::ListIndex() const {
  if (count() == 0) return -1;
  const int row = currentRow();
  if (row < 0) return -1;
  // A single-select list has no current entry without a selection.
  if (!multiSelect_ && !item(row)->isSelected()) return -1;
  return row;
}

void VbListBox::SetListIndex(int index) {
  {
    FlagScope scope(inCode_);
    if (index < 0 || index >= count()) {
      clearSelection();
      setCurrentRow(-1, QItemSelectionModel::NoUpdate);
    } else {
      setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    }
  }
  RaiseClick();
}

bool VbListBox::Selected(int index) const {
  const QListWidgetItem* entry = item(index);
  return entry && entry->isSelected();
}

void VbListBox::SetSelected(int index, bool selected) {
  {
    FlagScope scope(inCode_);
    if (QListWidgetItem* entry = item(index)) {
      if (!multiSelect_ && selected) setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
      else entry->setSelected(selected);
    }
  }
  RaiseClick();
}

int VbListBox::SelCount() const { return static_cast<int>(selectedItems().size()); }

QListWidgetItem* VbListBox::NewItem(const std::string& text) {
  auto* entry = new QListWidgetItem(CaptionText(text));
  entry->setData(kBytesRole, QByteArray::fromStdString(text));
  entry->setData(kItemDataRole, QVariant::fromValue<qlonglong>(0));
  return entry;
}

void VbListBox::AddItem(const std::string& text, int index) {
  FlagScope scope(inCode_);
  QListWidgetItem* entry = NewItem(text);
  if (index < 0 || index > count()) index = count();
  insertItem(index, entry);
  newIndex_ = index;
}

void VbListBox::RemoveItem(int index) {
  FlagScope scope(inCode_);
  delete takeItem(index);
}

void VbListBox::Clear() {
  FlagScope scope(inCode_);
  clear();
  newIndex_ = -1;
}

long VbListBox::ItemData(int index) const {
  const QListWidgetItem* entry = item(index);
  return entry ? static_cast<long>(entry->data(kItemDataRole).toLongLong()) : 0;
}

void VbListBox::SetItemData(int index, long data) {
  if (QListWidgetItem* entry = item(index)) entry->setData(kItemDataRole, QVariant::fromValue<qlonglong>(data));
}

void VbListBox::Drag(int action) {
  if (action == 1) {
    dragging_ = true;
    setCursor(Qt::DragMoveCursor);
  } else if (action == 2 && dragging_) {
    DropAt(QCursor::pos());
  } else {
    dragging_ = false;
    unsetCursor();
  }
}

void VbListBox::DropAt(const QPointF& globalPos) {
  dragging_ = false;
  unsetCursor();
  QWidget* top = window();
  QWidget* under = top->childAt(top->mapFromGlobal(globalPos.toPoint()));
  VbListBox* target = nullptr;
  for (QWidget* w = under; w && !target; w = w->parentWidget()) target = qobject_cast<VbListBox*>(w);
  if (!target || !target->DragDrop) return;
  const QPointF local = target->viewport()->mapFromGlobal(globalPos);
  target->DragDrop(this, Twips(local.x()), Twips(local.y()));
}

void VbListBox::mousePressEvent(QMouseEvent* event) {
  // The right button leaves the selection alone; it only starts drags.
  if (event->button() != Qt::RightButton) QListWidget::mousePressEvent(event);
  else event->accept();
  if (MouseDown)
    MouseDown(ButtonBits(event->button()), ShiftBits(event->modifiers()), Twips(event->position().x()),
              Twips(event->position().y()));
}

void VbListBox::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::RightButton)) QListWidget::mouseMoveEvent(event);
  if (MouseMove)
    MouseMove(ButtonBits(event->buttons()), ShiftBits(event->modifiers()), Twips(event->position().x()),
              Twips(event->position().y()));
}

void VbListBox::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) QListWidget::mouseReleaseEvent(event);
  if (MouseUp)
    MouseUp(ButtonBits(event->button()), ShiftBits(event->modifiers()), Twips(event->position().x()),
            Twips(event->position().y()));
  // A manual drag ends with the release of the buttons.
  if (dragging_ && event->buttons() == Qt::NoButton) DropAt(event->globalPosition());
}

void VbListBox::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

// --- VbComboBox -------------------------------------------------------------------

VbComboBox::VbComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  // The user's choice raises Click; code raises it in SetListIndex.
  connect(this, &QComboBox::activated, this, [this](int) { Raise(Click); });
}

std::string VbComboBox::List(int index) const {
  if (index < 0 || index >= count()) return std::string();
  return itemData(index, kBytesRole).toByteArray().toStdString();
}

void VbComboBox::SetListIndex(int index) {
  {
    const QSignalBlocker blocker(this);
    setCurrentIndex(index < 0 || index >= count() ? -1 : index);
  }
  update();
  Raise(Click);
}

std::string VbComboBox::Text() const { return List(currentIndex()); }

void VbComboBox::AddItem(const std::string& text, int index) {
  const QSignalBlocker blocker(this);
  const int before = currentIndex();
  if (index < 0 || index > count()) index = count();
  insertItem(index, CaptionText(text));
  setItemData(index, QByteArray::fromStdString(text), kBytesRole);
  setItemData(index, QVariant::fromValue<qlonglong>(0), kItemDataRole);
  newIndex_ = index;
  // Qt chooses the first entry of an empty box; the old control does not.
  if (before < 0) setCurrentIndex(-1);
}

void VbComboBox::RemoveItem(int index) {
  const QSignalBlocker blocker(this);
  const int before = currentIndex();
  if (index < 0 || index >= count()) return;
  removeItem(index);
  if (index == before) setCurrentIndex(-1);
}

void VbComboBox::Clear() {
  const QSignalBlocker blocker(this);
  clear();
  newIndex_ = -1;
}

long VbComboBox::ItemData(int index) const {
  if (index < 0 || index >= count()) return 0;
  return static_cast<long>(itemData(index, kItemDataRole).toLongLong());
}

void VbComboBox::SetItemData(int index, long data) {
  if (index >= 0 && index < count()) setItemData(index, QVariant::fromValue<qlonglong>(data), kItemDataRole);
}

// --- VbOptionButton ---------------------------------------------------------------

VbOptionButton::VbOptionButton(const std::string& caption, QWidget* parent)
    : QRadioButton(CaptionText(caption), parent) {
  connect(this, &QAbstractButton::toggled, this, [this](bool on) {
    if (on && !inCode_) Raise(Click);
  });
}

void VbOptionButton::SetValue(bool value) {
  {
    FlagScope scope(inCode_);
    if (value) {
      setChecked(true);
    } else if (isChecked()) {
      // An exclusive group does not let its checked button go by itself.
      const bool exclusive = autoExclusive();
      setAutoExclusive(false);
      setChecked(false);
      setAutoExclusive(exclusive);
    }
  }
  if (value) Raise(Click);
}

// --- VbCheckBox ---------------------------------------------------------------------

VbCheckBox::VbCheckBox(const std::string& caption, QWidget* parent)
    : QCheckBox(CaptionText(caption), parent) {
  connect(this, &QCheckBox::toggled, this, [this](bool) { Raise(Click); });
}

void VbCheckBox::SetValue(int value) { setChecked(value != 0); }

// --- VbSpinBox -------------------------------------------------------------------------

VbSpinBox::VbSpinBox(QWidget* parent, int min, int max) : QSpinBox(parent) {
  setRange(min, max);
  connect(this, &QSpinBox::valueChanged, this, [this](int) { Raise(Change); });
}

// --- VbSlider ---------------------------------------------------------------------------

VbSlider::VbSlider(QWidget* parent, int min, int max) : QSlider(Qt::Horizontal, parent) {
  setRange(min, max);
  connect(this, &QSlider::sliderMoved, this, [this](int) { Raise(Scroll); });
  connect(this, &QSlider::valueChanged, this, [this](int) { Raise(Change); });
}

// --- VbLabel ----------------------------------------------------------------------------

VbLabel::VbLabel(const std::string& caption, QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  SetCaption(caption);
}

void VbLabel::SetCaption(const std::string& caption) {
  caption_ = caption;
  Show();
}

void VbLabel::SetBuddy(QWidget* buddy) {
  setBuddy(buddy);
  Show();
}

void VbLabel::Show() {
  // With a buddy "&" marks the key that moves to it; without one the caption
  // is text (an address, a publisher's name) and shows as it stands.
  setText(CaptionText(caption_));
  if (autoSize_) adjustSize();
}

void VbLabel::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  if (autoSize_) adjustSize();
}

// --- VbCommandButton ------------------------------------------------------------------------

VbCommandButton::VbCommandButton(const std::string& caption, QWidget* parent)
    : QPushButton(CaptionText(caption), parent) {
  setAutoDefault(false);
  connect(this, &QPushButton::clicked, this, [this] { Raise(Click); });
}

// --- VbFrame ---------------------------------------------------------------------------

VbFrame::VbFrame(const std::string& caption, QWidget* parent) : QGroupBox(CaptionText(caption), parent) {}

// --- VbTabControl -------------------------------------------------------------------------

VbTabControl::VbTabControl(QWidget* parent) : QTabWidget(parent) {
  connect(this, &QTabWidget::currentChanged, this, [this](int now) {
    const int previous = shown_;
    shown_ = now;
    if (!inCode_ && previous != now && Click) Click(previous);
  });
}

QWidget* VbTabControl::AddTab(const std::string& caption) {
  FlagScope scope(inCode_);
  auto* page = new QWidget;
  addTab(page, CaptionText(caption));
  shown_ = currentIndex();
  return page;
}

void VbTabControl::SetTab(int tab) {
  if (tab < 0 || tab >= count()) return;
  const int previous = currentIndex();
  {
    FlagScope scope(inCode_);
    setCurrentIndex(tab);
    shown_ = tab;
  }
  if (previous != tab && Click) Click(previous);
}

// --- VbPictureBox ---------------------------------------------------------------------------

VbPictureBox::VbPictureBox(QWidget* parent)
    : QWidget(parent), view_(new PictureBoxView(box_, this)) {
  box_.SetBackColor(palette().color(QPalette::Window));
}

VbPictureBox::~VbPictureBox() { delete view_; }

void VbPictureBox::MoveTwips(int left, int top, int width, int height) {
  platform::MoveTwips(*this, left, top, width, height);
}

void VbPictureBox::resizeEvent(QResizeEvent* event) {
  box_.Resize(event->size().width(), event->size().height());
  view_->setGeometry(0, 0, event->size().width(), event->size().height());
  QWidget::resizeEvent(event);
}

}  // namespace orvane::platform
