// A window and shell that record what the logic asks of them, in order, and
// answer message boxes and folder dialogs from a script. Yield can run a
// callback, so a test can press Stop or switch the mode in the middle of a
// job; any named operation can be made to fail.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/window_design.h"
#include "platform/shell.h"
#include "platform/window.h"

namespace mirtel {

class RecordingWindow;

class RecordingCombo : public ComboBox {
 public:
  RecordingCombo(RecordingWindow& owner, std::string name, std::string initial)
      : owner_(owner), name_(std::move(name)), text(std::move(initial)) {}
  std::string Text() override;
  void SetText(std::string_view value) override;
  void Clear() override;
  void AddItem(std::string_view line) override;
  int ListCount() override;
  void SelectIndex(int index) override;

 private:
  RecordingWindow& owner_;
  std::string name_;

 public:
  std::string text;
  std::vector<std::string> items;
};

struct MsgBoxCall {
  std::string prompt;
  int buttons;
  std::string title;
};

class RecordingWindow : public Window, public Shell {
 public:
  RecordingWindow() {
    checked[MenuItem::Mnu_Normal] = true;
    menuVisible[MenuItem::mnu_option] = false;
    menuVisible[MenuItem::mnu_ZeroEraser] = false;
  }

  // --- what happened --------------------------------------------------------
  std::vector<std::string> calls;  // every operation, in order
  std::vector<MsgBoxCall> boxes;
  std::map<Control, bool> enabled;  // absent: enabled
  std::map<Control, bool> visible;  // absent: visible
  std::map<Control, std::string> captions;
  std::map<Control, ColorRef> backColors;
  std::map<Control, bool> warnings;
  std::map<Control, std::string> toolTips;
  std::map<Control, int> droppedWidths;
  std::map<MenuItem, bool> menuEnabled;  // absent: enabled
  std::map<MenuItem, bool> checked;
  std::map<MenuItem, bool> menuVisible;
  std::vector<std::string> results;  // lines of lstResult
  RecordingCombo moto{*this, "cmbBackMoto", "cmbBackMoto"};
  RecordingCombo saki{*this, "cmbBackSaki", "cmbBackSaki"};
  bool busyPointer = false;
  bool shown = false;
  bool hidden = false;
  int beeps = 0;
  int drags = 0;
  int yields = 0;
  int closeRequests = 0;
  std::vector<std::string> browsePrompts;
  std::vector<std::string> openedFolders;
  std::vector<std::string> helpShown;

  // --- the script -----------------------------------------------------------
  std::deque<int> answers;  // for MsgBox; unscripted: OK, or No for Yes/No boxes
  std::deque<std::optional<std::string>> folderAnswers;  // unscripted: cancel
  std::function<void(int)> onYield;                      // gets the number of the yield
  std::function<void()> onRequestClose;
  bool openFolderResult = true;
  bool showHelpResult = true;
  std::set<std::string> failing;  // operations that throw

  bool IsEnabledNow(Control c) const {
    auto it = enabled.find(c);
    return it == enabled.end() || it->second;
  }
  bool IsMenuEnabledNow(MenuItem m) const {
    auto it = menuEnabled.find(m);
    return it == menuEnabled.end() || it->second;
  }
  bool IsVisibleNow(Control c) const {
    auto it = visible.find(c);
    return it == visible.end() || it->second;
  }
  std::string CaptionOf(Control c) const {
    auto it = captions.find(c);
    return it == captions.end() ? std::string() : it->second;
  }
  std::vector<std::string> Prompts() const {
    std::vector<std::string> out;
    for (const MsgBoxCall& b : boxes) out.push_back(b.prompt);
    return out;
  }
  // Calls that start with `prefix`, in order.
  std::vector<std::string> CallsStartingWith(std::string_view prefix) const {
    std::vector<std::string> out;
    for (const std::string& c : calls) {
      if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
    }
    return out;
  }

  static std::string Name(Control c) { return std::string(ControlName(c)); }
  static std::string Name(MenuItem m) { return std::string(MenuName(m)); }

  void Record(const std::string& call) {
    calls.push_back(call);
    std::string op = call.substr(0, call.find(' '));
    if (failing.count(op) != 0) throw std::runtime_error("injected failure: " + op);
  }

  // --- WalkView -------------------------------------------------------------
  void SetStatus(std::string_view text) override {
    Record("SetStatus " + std::string(text));
    captions[Control::lblProcess] = std::string(text);
  }
  void AppendResult(std::string_view line) override {
    Record("AppendResult " + std::string(line));
    results.emplace_back(line);
  }
  void Yield() override {
    ++yields;
    if (failing.count("Yield") != 0) throw std::runtime_error("injected failure: Yield");
    if (onYield) onYield(yields);
  }
  int MsgBox(std::string_view prompt, int buttons, std::string_view title) override {
    Record("MsgBox " + std::string(prompt));
    boxes.push_back({std::string(prompt), buttons, std::string(title)});
    if (!answers.empty()) {
      int a = answers.front();
      answers.pop_front();
      return a;
    }
    return (buttons & kMbYesNo) != 0 ? kIdNo : kIdOk;
  }

  // --- Window ---------------------------------------------------------------
  void SetEnabled(Control c, bool on) override {
    Record("SetEnabled " + Name(c) + (on ? " 1" : " 0"));
    enabled[c] = on;
  }
  bool IsEnabled(Control c) override { return IsEnabledNow(c); }
  void SetVisible(Control c, bool on) override {
    Record("SetVisible " + Name(c) + (on ? " 1" : " 0"));
    visible[c] = on;
  }
  void SetFocus(Control c) override { Record("SetFocus " + Name(c)); }
  void SetCaption(Control c, std::string_view text) override {
    Record("SetCaption " + Name(c) + " " + std::string(text));
    captions[c] = std::string(text);
  }
  std::string Caption(Control c) override { return CaptionOf(c); }
  void SetBackColor(Control c, ColorRef color) override {
    Record("SetBackColor " + Name(c) + " " + std::to_string(color));
    backColors[c] = color;
  }
  void SetWarning(Control c, bool warning) override {
    Record("SetWarning " + Name(c) + (warning ? " on" : " off"));
    warnings[c] = warning;
  }
  void SetToolTip(Control c, std::string_view text) override {
    Record("SetToolTip " + Name(c) + " " + std::string(text));
    toolTips[c] = std::string(text);
  }
  ComboBox& Combo(Control c) override {
    if (c == Control::cmbBackMoto) return moto;
    if (c == Control::cmbBackSaki) return saki;
    throw std::logic_error("not a combo box: " + Name(c));
  }
  void SetDroppedWidth(Control c, int pixels) override {
    Record("SetDroppedWidth " + Name(c) + " " + std::to_string(pixels));
    droppedWidths[c] = pixels;
  }
  void ClearList(Control c) override {
    Record("ClearList " + Name(c));
    results.clear();
  }
  int ListCount(Control) override { return static_cast<int>(results.size()); }
  void SetEnabled(MenuItem m, bool on) override {
    Record("SetEnabled " + Name(m) + (on ? " 1" : " 0"));
    menuEnabled[m] = on;
  }
  bool IsEnabled(MenuItem m) override { return IsMenuEnabledNow(m); }
  void SetChecked(MenuItem m, bool on) override {
    Record("SetChecked " + Name(m) + (on ? " 1" : " 0"));
    checked[m] = on;
  }
  void SetVisible(MenuItem m, bool on) override {
    Record("SetVisible " + Name(m) + (on ? " 1" : " 0"));
    menuVisible[m] = on;
  }
  void Show() override {
    Record("Show");
    shown = true;
  }
  void SetBusyPointer(bool busy) override {
    Record(std::string("SetBusyPointer ") + (busy ? "1" : "0"));
    busyPointer = busy;
  }
  void Beep() override {
    Record("Beep");
    ++beeps;
  }
  void StartSystemDrag() override {
    Record("StartSystemDrag");
    ++drags;
  }
  void Hide() override {
    Record("Hide");
    hidden = true;
  }
  void RequestClose() override {
    Record("RequestClose");
    ++closeRequests;
    if (onRequestClose) onRequestClose();
  }

  // --- Shell ----------------------------------------------------------------
  std::optional<std::string> BrowseForFolder(std::string_view prompt) override {
    Record("BrowseForFolder " + std::string(prompt));
    browsePrompts.emplace_back(prompt);
    if (folderAnswers.empty()) return std::nullopt;
    std::optional<std::string> a = folderAnswers.front();
    folderAnswers.pop_front();
    return a;
  }
  bool OpenFolder(const std::string& path) override {
    Record("OpenFolder " + path);
    openedFolders.push_back(path);
    return openFolderResult;
  }
  bool ShowHelp(const std::string& path) override {
    Record("ShowHelp " + path);
    helpShown.push_back(path);
    return showHelpResult;
  }
};

inline std::string RecordingCombo::Text() { return text; }
inline void RecordingCombo::SetText(std::string_view value) {
  owner_.Record("Combo " + name_ + " SetText " + std::string(value));
  text = value;
}
inline void RecordingCombo::Clear() {
  owner_.Record("Combo " + name_ + " Clear");
  items.clear();
}
inline void RecordingCombo::AddItem(std::string_view line) {
  owner_.Record("Combo " + name_ + " AddItem " + std::string(line));
  items.emplace_back(line);
}
inline int RecordingCombo::ListCount() { return static_cast<int>(items.size()); }
inline void RecordingCombo::SelectIndex(int index) {
  owner_.Record("Combo " + name_ + " SelectIndex " + std::to_string(index));
  if (index < 0 || index >= ListCount()) throw std::out_of_range("combo index");
  text = items[static_cast<std::size_t>(index)];
}

}  // namespace mirtel
