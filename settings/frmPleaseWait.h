#pragma once
// The progress window shown while a wallpaper is rendered: a fixed two-line
// message, a status line that the builder rewrites at each stage, and two bars
// that the imaging library's progress callbacks fill (the current operation and
// the whole job). The program has one instance (PleaseWait()); it is shown
// modeless over the settings dialog, or alone for "/wall" and "/kalendar".
#include <QString>
#include <memory>

#include "core/Progress.h"
#include "core/windows.h"

class QFrame;
class QLabel;
class QWidget;

namespace orvane::settings {

class frmPleaseWait : public core::ProgressWindow, public core::MeterSink {
 public:
  frmPleaseWait();
  ~frmPleaseWait() override;
  frmPleaseWait(const frmPleaseWait&) = delete;
  frmPleaseWait& operator=(const frmPleaseWait&) = delete;

  // Loads the window when it is not loaded (Form_Load runs once per load).
  void Load();
  bool Loaded() const { return window_ != nullptr; }
  // ProgressWindow: Show loads first when needed; Unload hides the window,
  // stops it receiving progress and releases it.
  void Show() override;
  void Hide() override;
  void Unload() override;
  bool Visible() const;
  // Brings the window to the user's attention (the dialog refuses to close
  // while a render runs).
  void Alert();

  // lblStatus.Caption; setting it repaints at once.
  void SetStatus(const QString& text);
  QString Status() const;
  // Widths of the two bars in percent of their boxes (0..100).
  double MeterWidth() const { return meter_; }
  double TotalWidth() const { return total_; }
  QWidget* Window() const;

  // MeterSink: the imaging callbacks move the bars.
  void SetMeterWidth(double width) override;
  void SetTotalWidth(float width) override;

 private:
  struct Form;
  void Form_Load();
  void DrawBars();

  std::unique_ptr<Form> window_;
  double meter_ = 0;
  double total_ = 0;
};

// The program's single progress window (the run time's implicit instance).
frmPleaseWait& PleaseWait();

}  // namespace orvane::settings
