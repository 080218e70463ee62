// A form: a top-level window with a fixed dialog border, built from a table of controls
// that mirrors its design, laid out for the DPI of its monitor in the design font.
//
// The table gives each control its kind, the panel holding it, its position at 96 DPI
// relative to that panel, its tab order within the panel, its text, its extra styles
// and its handlers. Controls are created in tab order (panels first, then the controls
// of each panel), so that the dialog manager's Tab walk follows the design.
#ifndef HINMEI_UI_FORM_WINDOW_H_
#define HINMEI_UI_FORM_WINDOW_H_

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/application.h"
#include "ui/dpi.h"

namespace ui {

enum class ControlKind {
  kPanel,     // holds controls, framed by an etched bevel
  kLabel,     // static text; grows to show its text whole
  kEdit,      // single-line edit box
  kButton,    // push button
  kCheckBox,  // check box with its text
  kListView,  // report-style list view
  kMemo,      // multi-line edit box
  kBevel,     // an etched line along its top edge, drawn by its panel; no window
};

using TextFunction = const std::string& (*)();

inline constexpr int kOnForm = -1;
inline constexpr int kNoTabStop = -1;

// One control as the form window builds it.
struct ControlLayout {
  int id;              // the form's number for the control: 0, 1, ... in table order
  ControlKind kind;
  int parent;          // id of the panel holding it, or kOnForm
  DesignRect bounds;   // at 96 DPI, relative to the parent's client area
  int tab_order;       // within the parent; kNoTabStop for what takes no focus
  TextFunction text;   // CP932 text; nullptr for none
  DWORD style;         // window styles beyond those of the kind
};

// A row of a form's design table: the control and its handlers.
template <typename Form>
struct ControlDesign {
  using Control = typename Form::Control;
  using ClickHandler = void (Form::*)(Control sender);
  using KeyPressHandler = void (Form::*)(Control sender, wchar_t& key);

  Control id;
  ControlKind kind;
  std::optional<Control> parent;  // nothing: directly on the form
  DesignRect bounds;
  int tab_order;
  TextFunction text;
  DWORD style;
  ClickHandler on_click = nullptr;
  KeyPressHandler on_key_press = nullptr;

  ControlLayout Layout() const {
    return ControlLayout{static_cast<int>(id), kind,
                         parent ? static_cast<int>(*parent) : kOnForm,
                         bounds, tab_order, text, style};
  }
};

struct FormDesign {
  TextFunction caption;
  int client_width;   // at 96 DPI
  int client_height;
};

class FormWindow {
 public:
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;
  virtual ~FormWindow();

  HWND Handle() const { return window_; }
  HWND ControlHandle(int id) const;
  UINT Dpi() const { return dpi_; }

 protected:
  explicit FormWindow(Application& application) : application_(application) {}

  // Creates the window, hidden, with its controls, laid out for the DPI of the monitor
  // at `place`. An owned window has no task-bar entry of its own.
  void CreateForm(const FormDesign& design, std::vector<ControlLayout> controls, HWND owner,
                  POINT place);
  // Destroys the window. A derived form calls it from its own destructor, while its
  // handlers still exist.
  void DestroyForm();

  // Sets a control's text; a label grows to show it whole.
  void SetText(int id, std::string_view cp932);
  // Puts the focus on a control; an edit box gets its whole text selected, as when the
  // Tab key enters it.
  void FocusControl(HWND control);
  // Moves the focus to the next control after `from` in tab order that is visible,
  // enabled and a tab stop; after the last one the search goes on from the first.
  void SelectNext(HWND from);
  // Places the window at the centre of `area`, kept inside the work area of its monitor.
  void CenterOn(const RECT& area);
  // Shows the window over its disabled owner until EndModal; answers the modal result.
  int RunModal();
  void EndModal(int result) { modal_result_ = result; }

  Application& application() { return application_; }
  ControlKind KindOf(int id) const { return layouts_[static_cast<std::size_t>(id)].kind; }
  // The id of one of this form's controls, or kOnForm for any other window.
  int IdOf(HWND control) const;

  // The form's messages; a derived form handles its own and passes the rest on.
  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  virtual void OnClick(int /*id*/) {}
  virtual bool HandlesKeyPress(int /*id*/) const { return false; }
  // A character typed into the control; clearing `key` swallows it.
  virtual void OnKeyPress(int /*id*/, wchar_t& /*key*/) {}
  virtual LRESULT OnNotify(int /*id*/, NMHDR& /*header*/) { return 0; }
  // After the controls were created, before they are first laid out.
  virtual void OnControlsCreated() {}
  // After the controls were laid out for `dpi`.
  virtual void OnLayout(UINT /*dpi*/) {}
  // The user asked to close the window (close box, Alt+F4).
  virtual void OnCloseRequest() { DestroyForm(); }
  virtual void OnDestroy() {}

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK KeyPressProc(HWND control, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR form);
  void CreateControls();
  void LayOut(UINT dpi);
  void FitLabel(int id);
  void SizeClientArea(int width, int height);
  bool CanTakeFocus(HWND control) const;
  void RestoreFocus();

  Application& application_;
  HWND window_ = nullptr;
  FormDesign design_{};
  std::vector<ControlLayout> layouts_;  // by id
  std::vector<HWND> controls_;          // by id; none for a bevel
  DWORD style_ = 0;
  DWORD ex_style_ = 0;
  UINT dpi_ = kDesignDpi;
  HFONT font_ = nullptr;
  HWND saved_focus_ = nullptr;  // the focused control while the form is inactive
  int modal_result_ = 0;
};

}  // namespace ui

#endif  // HINMEI_UI_FORM_WINDOW_H_
