// Message boxes of the simulated window system: answered from a queue or by
// a callback, each one recorded.
#include "platform/sim/sim_ui.h"

#include <algorithm>

#include "platform/sim/sim_ui_internal.h"
#include "platform/win_constants.h"

namespace sim {

using platform::WindowId;

namespace {

// The buttons a box of this type has, and what it answers by default (the
// Cancel button where there is one, No for Yes/No, Abort for
// Abort/Retry/Ignore, OK for OK).
std::vector<int> ButtonsOf(uint32_t type) {
  switch (type & win::MB_TYPEMASK) {
    case win::MB_OK:
      return {win::IDOK};
    case win::MB_OKCANCEL:
      return {win::IDOK, win::IDCANCEL};
    case win::MB_ABORTRETRYIGNORE:
      return {win::IDABORT, win::IDRETRY, win::IDIGNORE};
    case win::MB_YESNOCANCEL:
      return {win::IDYES, win::IDNO, win::IDCANCEL};
    case win::MB_YESNO:
      return {win::IDYES, win::IDNO};
    case win::MB_RETRYCANCEL:
      return {win::IDRETRY, win::IDCANCEL};
    default:
      return {win::IDOK};
  }
}

int DefaultAnswer(uint32_t type) {
  switch (type & win::MB_TYPEMASK) {
    case win::MB_OKCANCEL:
    case win::MB_YESNOCANCEL:
    case win::MB_RETRYCANCEL:
      return win::IDCANCEL;
    case win::MB_YESNO:
      return win::IDNO;
    case win::MB_ABORTRETRYIGNORE:
      return win::IDABORT;
    default:
      return win::IDOK;
  }
}

}  // namespace

void SimUi::AnswerMessageBoxes(std::vector<int> answers) {
  std::lock_guard lock(mutex_);
  for (int a : answers) answers_.push_back(a);
}

void SimUi::OnMessageBox(MessageBoxAnswerer answerer) {
  std::lock_guard lock(mutex_);
  answerer_ = std::move(answerer);
}

int SimUi::MessageBoxA(WindowId owner, const std::string& text, const std::string& caption,
                       uint32_t type) {
  MessageBoxRecord box;
  box.owner = owner;
  box.caption = caption;
  box.text = text;
  box.type = type;
  const std::vector<int> buttons = ButtonsOf(type);
  auto valid = [&](int answer) {
    return std::find(buttons.begin(), buttons.end(), answer) != buttons.end();
  };
  int answer = 0;
  bool queued = false;
  MessageBoxAnswerer answerer;
  {
    std::lock_guard lock(mutex_);
    box.timeMs = clock_.NowMs();
    if (auto w = FindLocked(owner)) box.ownerTemplateId = w->templateId;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
      queued = true;
    } else {
      answerer = answerer_;
    }
  }
  if (!queued && answerer) answer = answerer(box);
  if (answer != 0 && !valid(answer)) {
    RecordError("answer " + std::to_string(answer) + " is not a button of the box " + Quoted(text) +
                    "; it takes its default",
                owner);
    answer = 0;
  }
  if (answer == 0) answer = DefaultAnswer(type);
  box.answer = answer;

  Event e;
  e.kind = EventKind::MessageBox;
  e.window = owner;
  e.templateId = box.ownerTemplateId;
  e.text = text;
  e.caption = caption;
  e.value = answer;
  e.type = type;
  Record(std::move(e));
  return answer;
}

std::vector<MessageBoxRecord> SimUi::MessageBoxes() const {
  std::lock_guard lock(mutex_);
  std::vector<MessageBoxRecord> out;
  for (const auto& e : transcript_) {
    if (e.kind != EventKind::MessageBox) continue;
    MessageBoxRecord r;
    r.timeMs = e.timeMs;
    r.owner = e.window;
    r.ownerTemplateId = e.templateId;
    r.caption = e.caption;
    r.text = e.text;
    r.type = e.type;
    r.answer = static_cast<int>(e.value);
    out.push_back(std::move(r));
  }
  return out;
}

}  // namespace sim
