#pragma once
// The Qt window of a form: one widget per component at its design geometry,
// kept in step with the model through the ViewSink, with the user's input
// routed to the handlers under the application's dispatch rules.
#include <QHash>
#include <QWidget>
#include <functional>

#include "gui/qt/component_widgets.h"
#include "ui/form.h"

namespace guiqt {

class FormView : public QWidget, public ui::ViewSink, public EventRouter {
 public:
  explicit FormView(ui::Form& form);
  ~FormView() override;

  ui::Form& Form() { return form_; }
  // The widget that shows a component (the view itself for the form).
  QWidget* WidgetFor(const ui::Component& c) const;
  QWidget* WidgetFor(const std::string& name) const;
  // Shows the window in the middle of the screen.
  void ShowCentered();

  void ComponentChanged(ui::Component& c, ui::Property p) override;
  void Dispatch(const std::function<void()>& handler) override;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void Build(ui::Component& c, QWidget* parent);
  QWidget* Create(ui::Component& c, QWidget* parent);
  void SyncAll(ui::Component& c);
  void SyncWindow();
  void SyncCommon(QWidget* w, ui::Component& c, ui::Property p);
  void SyncKind(QWidget* w, ui::Component& c, ui::Property p);
  static void ApplyPalette(QWidget* w, ui::Component& c);

  ui::Form& form_;
  QHash<const ui::Component*, QWidget*> widgets_;
  bool syncing_ = false;
};

}  // namespace guiqt
