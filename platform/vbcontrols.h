#pragma once
// The dialog controls in the run time's manner, over real Qt widgets so the
// windows keep keyboard focus, Tab order, mnemonics and the platform's look.
//
// Selection semantics the forms rely on:
// - Setting ListIndex (list and combo box), Selected(i) (list box), Value
//   (option button, check box, spin box, slider) or Tab (tab control) in code
//   raises the control's Click (Change, Scroll) handler at once, on the same
//   thread, before the setter returns.
// - Clear, AddItem and RemoveItem raise nothing; a combo box never selects an
//   entry by itself (Qt would pick entry 0 when the first one is added).
// - A right-button press never changes a list's selection.
// - Sizes and mouse positions are in twips, 15 to the pixel (96 dpi).
//
// Mouse events of list boxes reach MouseDown / MouseMove / MouseUp with the
// run time's arguments (Button: 1 left, 2 right, 4 middle, or'ed for MouseMove;
// Shift: 1 Shift, 2 Ctrl, 4 Alt; X, Y in twips). A list may start a manual drag
// with Drag(); the release of the mouse button then raises DragDrop on the list
// box under the pointer (the source included), with the source and the point in
// the target's twips. Tests drive all of it with plain mouse events.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <functional>
#include <string>

#include "platform/picturebox.h"

namespace orvane::platform {

inline constexpr int kTwipsPerPixel = 15;
constexpr int TwipsToPixels(int twips) { return twips / kTwipsPerPixel; }
constexpr int PixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }

// Places a widget with left, top, width and height in twips.
void MoveTwips(QWidget& widget, int left, int top, int width, int height);

// Text shown by a control for name bytes (windows-1252, or UTF-8 where that
// code page cannot hold the text: platform::NameBytes) and back.
QString CaptionText(const std::string& bytes);
std::string CaptionBytes(const QString& text);

// --- List box ------------------------------------------------------------------
class VbListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit VbListBox(QWidget* parent = nullptr, bool multiSelect = false);

  int ListCount() const { return count(); }
  std::string List(int index) const;
  // -1 when no entry is current. In a multi-select list the current entry is
  // the focus entry.
  int ListIndex() const;
  // Selects the entry alone and makes it current (-1 clears the selection);
  // raises Click.
  void SetListIndex(int index);
  bool Selected(int index) const;
  // Raises Click.
  void SetSelected(int index, bool selected);
  int SelCount() const;
  // Adds at the end, or before index; NewIndex tells where. Raises nothing.
  void AddItem(const std::string& text, int index = -1);
  void RemoveItem(int index);
  void Clear();
  int NewIndex() const { return newIndex_; }
  long ItemData(int index) const;
  void SetItemData(int index, long data);
  bool MultiSelect() const { return multiSelect_; }

  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }
  std::string Tag;

  // VB's Drag method: 1 begins a manual drag, 0 cancels it, 2 drops it where
  // the pointer is.
  void Drag(int action = 1);
  bool Dragging() const { return dragging_; }

  std::function<void()> Click;
  std::function<void(int button, int shift, float x, float y)> MouseDown;
  std::function<void(int button, int shift, float x, float y)> MouseMove;
  std::function<void(int button, int shift, float x, float y)> MouseUp;
  std::function<void(QWidget* source, float x, float y)> DragDrop;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void RaiseClick();
  void DropAt(const QPointF& globalPos);
  QListWidgetItem* NewItem(const std::string& text);

  bool multiSelect_;
  bool dragging_ = false;
  int newIndex_ = -1;
  bool inCode_ = false;  // a change made by code: its Qt signals raise nothing
};

// --- Combo box (drop-down list) -------------------------------------------------
class VbComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit VbComboBox(QWidget* parent = nullptr);

  int ListCount() const { return count(); }
  std::string List(int index) const;
  int ListIndex() const { return currentIndex(); }
  // Raises Click; -1 clears the choice (and raises Click as well).
  void SetListIndex(int index);
  // The chosen entry's text, "" when none.
  std::string Text() const;
  void AddItem(const std::string& text, int index = -1);
  void RemoveItem(int index);
  void Clear();
  int NewIndex() const { return newIndex_; }
  long ItemData(int index) const;
  void SetItemData(int index, long data);

  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }
  std::string Tag;

  std::function<void()> Click;

 private:
  int newIndex_ = -1;
};

// --- Option button -------------------------------------------------------------
// Buttons with the same parent (a frame, or the page) are one group.
class VbOptionButton : public QRadioButton {
  Q_OBJECT

 public:
  explicit VbOptionButton(const std::string& caption = "", QWidget* parent = nullptr);
  bool Value() const { return isChecked(); }
  // True raises Click (also when it was set already); False clears it quietly.
  void SetValue(bool value);
  void SetCaption(const std::string& caption) { setText(CaptionText(caption)); }
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }
  std::string Tag;
  std::function<void()> Click;

 private:
  bool inCode_ = false;
};

// --- Check box -----------------------------------------------------------------
class VbCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  explicit VbCheckBox(const std::string& caption = "", QWidget* parent = nullptr);
  // 0 unchecked, 1 checked.
  int Value() const { return isChecked() ? 1 : 0; }
  // Raises Click when the value changes.
  void SetValue(int value);
  void SetCaption(const std::string& caption) { setText(CaptionText(caption)); }
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }
  std::string Tag;
  std::function<void()> Click;
};

// --- Spin box ------------------------------------------------------------------
class VbSpinBox : public QSpinBox {
  Q_OBJECT

 public:
  explicit VbSpinBox(QWidget* parent = nullptr, int min = 0, int max = 100);
  int Value() const { return value(); }
  // Raises Change when the value changes (clamped to the range).
  void SetValue(int v) { setValue(v); }
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }
  std::string Tag;
  std::function<void()> Change;
};

// --- Slider --------------------------------------------------------------------
class VbSlider : public QSlider {
  Q_OBJECT

 public:
  explicit VbSlider(QWidget* parent = nullptr, int min = 0, int max = 10);
  int Value() const { return value(); }
  // Raises Change when the value changes.
  void SetValue(int v) { setValue(v); }
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }
  std::string Tag;
  std::function<void()> Scroll;  // while the thumb is dragged
  std::function<void()> Change;  // every change of the value
};

// --- Label ---------------------------------------------------------------------
// With a buddy (the control that follows it), a caption's "&" underlines the
// next letter and Alt with it moves the focus to the buddy; "&&" shows one "&".
// A label without a buddy shows its caption as it stands, "&" included, and
// never as rich text.
class VbLabel : public QLabel {
  Q_OBJECT

 public:
  explicit VbLabel(const std::string& caption = "", QWidget* parent = nullptr);
  std::string Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  void SetBuddy(QWidget* buddy);
  // Sizes the label to its caption.
  void SetAutoSize(bool autoSize);
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }
  std::string Tag;

 private:
  void Show();
  std::string caption_;
  bool autoSize_ = false;
};

// --- Command button ------------------------------------------------------------
class VbCommandButton : public QPushButton {
  Q_OBJECT

 public:
  explicit VbCommandButton(const std::string& caption = "", QWidget* parent = nullptr);
  std::string Caption() const { return CaptionBytes(text()); }
  void SetCaption(const std::string& caption) { setText(CaptionText(caption)); }
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }
  std::string Tag;
  std::function<void()> Click;
};

// --- Frame ---------------------------------------------------------------------
// Disabling a frame disables what it holds.
class VbFrame : public QGroupBox {
  Q_OBJECT

 public:
  explicit VbFrame(const std::string& caption = "", QWidget* parent = nullptr);
  std::string Caption() const { return CaptionBytes(title()); }
  void SetCaption(const std::string& caption) { setTitle(CaptionText(caption)); }
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }
  std::string Tag;
};

// --- Tab control ---------------------------------------------------------------
class VbTabControl : public QTabWidget {
  Q_OBJECT

 public:
  explicit VbTabControl(QWidget* parent = nullptr);
  // Adds a page with its caption; the page widget holds the page's controls.
  QWidget* AddTab(const std::string& caption);
  int Tabs() const { return count(); }
  int Tab() const { return currentIndex(); }
  // Raises Click(previous tab) when the tab changes.
  void SetTab(int tab);
  std::string TabCaption(int tab) const { return CaptionBytes(tabText(tab)); }
  void SetTabCaption(int tab, const std::string& caption) { setTabText(tab, CaptionText(caption)); }
  QWidget* Page(int tab) const { return widget(tab); }
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }
  std::string Tag;
  std::function<void(int previousTab)> Click;

 private:
  int shown_ = -1;
  bool inCode_ = false;
};

// --- Picture box ---------------------------------------------------------------
// A picture box on a form: the retained surface and the widget that shows it.
class VbPictureBox : public QWidget {
  Q_OBJECT

 public:
  explicit VbPictureBox(QWidget* parent = nullptr);
  ~VbPictureBox() override;
  PictureBox& Box() { return box_; }
  const PictureBox& Box() const { return box_; }
  // Places the control (twips) and sizes the surface to it.
  void MoveTwips(int left, int top, int width, int height);
  // Removes the picture and erases the surface.
  void ClearPicture() { box_.ClearPicture(); }
  std::string Tag;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  PictureBox box_;
  PictureBoxView* view_;
};

}  // namespace orvane::platform
