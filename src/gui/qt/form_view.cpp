#include "gui/qt/form_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include "gui/qt/list_view_widget.h"
#include "gui/qt/qt_colors.h"
#include "ui/inputs.h"

namespace guiqt {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

Qt::Alignment AlignmentOf(ui::Alignment a) {
  switch (a) {
    case ui::Alignment::kCenter:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case ui::Alignment::kRight:
      return Qt::AlignRight | Qt::AlignVCenter;
    case ui::Alignment::kLeft:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

FormView::FormView(ui::Form& form) : QWidget(nullptr), form_(form) {
  widgets_.insert(&form_, this);
  for (ui::Component* child : form_.Children()) Build(*child, this);
  SyncWindow();
  form_.SetViewSink(this);
}

FormView::~FormView() { form_.SetViewSink(nullptr); }

void FormView::Build(ui::Component& c, QWidget* parent) {
  QWidget* w = Create(c, parent);
  widgets_.insert(&c, w);
  w->setObjectName(Q(c.Name()));
  for (ui::Component* child : c.Children()) Build(*child, w);
  SyncAll(c);
}

QWidget* FormView::Create(ui::Component& c, QWidget* parent) {
  switch (c.GetKind()) {
    case ui::Kind::kPanel:
      return new PanelWidget(*this, c, parent);
    case ui::Kind::kLabel:
      return new LabelWidget(*this, c, parent);
    case ui::Kind::kFlatButton:
      return new FlatButtonWidget(*this, static_cast<ui::FlatButton&>(c), parent);
    case ui::Kind::kImage:
      return new ImageWidget(*this, static_cast<ui::Image&>(c), parent);
    case ui::Kind::kStatusBar:
      return new StatusBarWidget(static_cast<ui::StatusBar&>(c), parent);
    case ui::Kind::kListView:
      return new ListViewWidget(*this, static_cast<ui::ListView&>(c), parent);
    case ui::Kind::kButton: {
      auto* b = new QPushButton(parent);
      connect(b, &QPushButton::clicked, b, [this, &c] { Dispatch([&c] { c.Click(); }); });
      return b;
    }
    case ui::Kind::kGroupBox:
      return new QGroupBox(parent);
    case ui::Kind::kComboBox: {
      auto* box = new QComboBox(parent);
      auto* combo = static_cast<ui::ComboBox*>(&c);
      connect(box, &QComboBox::activated, box,
              [this, combo](int index) { Dispatch([combo, index] { combo->UserSelect(index); }); });
      return box;
    }
    case ui::Kind::kCheckBox: {
      auto* box = new QCheckBox(parent);
      auto* check = static_cast<ui::CheckBox*>(&c);
      connect(box, &QCheckBox::clicked, box, [this, check](bool on) {
        Dispatch([check, on] {
          if (check->Checked() != on) check->UserToggle();
        });
      });
      return box;
    }
    case ui::Kind::kEdit: {
      auto* edit = new QLineEdit(parent);
      auto* model = static_cast<ui::Edit*>(&c);
      connect(edit, &QLineEdit::textEdited, edit, [this, model](const QString& text) {
        Dispatch([model, text] { model->SetText(text.toStdString()); });
      });
      return edit;
    }
    case ui::Kind::kMemo: {
      auto* memo = new QPlainTextEdit(parent);
      auto* model = static_cast<ui::Memo*>(&c);
      connect(memo, &QPlainTextEdit::textChanged, memo, [this, memo, model] {
        if (syncing_) return;
        const std::string text = memo->toPlainText().toStdString();
        Dispatch([model, text] { model->SetText(text); });
      });
      return memo;
    }
    case ui::Kind::kProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setTextVisible(false);
      return bar;
    }
    case ui::Kind::kForm:
      break;
  }
  return new QWidget(parent);
}

QWidget* FormView::WidgetFor(const ui::Component& c) const { return widgets_.value(&c, nullptr); }

QWidget* FormView::WidgetFor(const std::string& name) const {
  const ui::Component* c = form_.Find(name);
  return c ? WidgetFor(*c) : nullptr;
}

void FormView::Dispatch(const std::function<void()>& handler) { form_.App().Dispatch(handler); }

void FormView::closeEvent(QCloseEvent* e) {
  // A close from the window system goes through the form's close path; inside
  // a running handler it waits for that handler.
  if (!form_.Closed()) form_.App().RequestClose(form_);
  if (form_.Closed()) {
    e->accept();
  } else {
    e->ignore();
  }
}

void FormView::ShowCentered() {
  SyncWindow();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  show();
}

void FormView::SyncWindow() {
  Qt::WindowFlags flags = Qt::Window;
  if (static_cast<ui::Form&>(form_).GetBorderStyle() == ui::BorderStyle::kNone) {
    flags |= Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint;
  } else {
    flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
             Qt::WindowCloseButtonHint;
  }
  if (windowFlags() != flags) {
    const bool wasVisible = isVisible();
    setWindowFlags(flags);
    if (wasVisible) show();
  }
  setWindowTitle(Q(form_.Caption()));
  setFixedSize(form_.ClientWidth(), form_.ClientHeight());
  setEnabled(form_.Enabled());
  QPalette pal = palette();
  if (IsSet(form_.Color())) pal.setColor(QPalette::Window, ToQColor(form_.Color()));
  setPalette(pal);
  setAutoFillBackground(true);
}

void FormView::SyncAll(ui::Component& c) {
  QWidget* w = WidgetFor(c);
  if (!w || w == this) return;
  for (ui::Property p : {ui::Property::kBounds, ui::Property::kEnabled, ui::Property::kCaption,
                         ui::Property::kHint, ui::Property::kFont, ui::Property::kColor,
                         ui::Property::kStyle, ui::Property::kContent, ui::Property::kSelection}) {
    SyncCommon(w, c, p);
    SyncKind(w, c, p);
  }
  SyncCommon(w, c, ui::Property::kVisible);
}

void FormView::ComponentChanged(ui::Component& c, ui::Property p) {
  if (&c == &form_) {
    SyncWindow();
    return;
  }
  QWidget* w = WidgetFor(c);
  if (!w) return;
  syncing_ = true;
  SyncCommon(w, c, p);
  SyncKind(w, c, p);
  syncing_ = false;
}

void FormView::SyncCommon(QWidget* w, ui::Component& c, ui::Property p) {
  switch (p) {
    case ui::Property::kBounds: {
      const ui::Rect& r = c.Bounds();
      w->setGeometry(r.left, r.top, r.width, r.height);
      break;
    }
    case ui::Property::kVisible:
      w->setVisible(c.Visible());
      break;
    case ui::Property::kEnabled:
      w->setEnabled(c.Enabled());
      break;
    case ui::Property::kHint:
      w->setToolTip(c.ShowHint() ? Q(c.Hint()) : QString());
      break;
    case ui::Property::kFont: {
      // Only what the model sets; everything else follows the parent.
      const ui::Font& mf = c.GetFont();
      QFont f;
      if (!mf.family.empty()) f.setFamily(Q(mf.family));
      if (mf.size > 0) f.setPointSize(mf.size);
      if (mf.bold) f.setBold(true);
      w->setFont(f);
      ApplyPalette(w, c);
      break;
    }
    case ui::Property::kColor:
      ApplyPalette(w, c);
      break;
    default:
      break;
  }
}

void FormView::ApplyPalette(QWidget* w, ui::Component& c) {
  QPalette pal;
  const ui::TColor text = c.GetFont().color;
  if (IsSet(text)) {
    // A container passes its caption colour on to the captions inside it, not
    // to the text of the edits, lists and combo boxes it holds: those keep
    // their own light faces.
    const bool container = c.GetKind() == ui::Kind::kPanel || c.GetKind() == ui::Kind::kGroupBox;
    pal.setColor(QPalette::WindowText, ToQColor(text));
    if (!container) {
      pal.setColor(QPalette::Text, ToQColor(text));
      pal.setColor(QPalette::ButtonText, ToQColor(text));
    }
  }
  if (IsSet(c.Color())) {
    // Lists and edits show their colour as the base, the rest as the window.
    const bool base = c.GetKind() == ui::Kind::kListView || c.GetKind() == ui::Kind::kEdit ||
                      c.GetKind() == ui::Kind::kMemo;
    pal.setColor(base ? QPalette::Base : QPalette::Window, ToQColor(c.Color()));
    if (!base) w->setAutoFillBackground(true);
  }
  w->setPalette(pal);
}

void FormView::SyncKind(QWidget* w, ui::Component& c, ui::Property p) {
  switch (c.GetKind()) {
    case ui::Kind::kPanel: {
      auto* frame = static_cast<QFrame*>(w);
      if (p == ui::Property::kStyle) {
        const bool bevel = static_cast<ui::Panel&>(c).Bevel();
        frame->setFrameStyle(bevel ? (QFrame::Panel | QFrame::Raised) : QFrame::NoFrame);
      }
      break;
    }
    case ui::Kind::kLabel: {
      auto* label = static_cast<QLabel*>(w);
      auto& model = static_cast<ui::Label&>(c);
      if (p == ui::Property::kCaption) label->setText(Q(c.Caption()));
      if (p == ui::Property::kStyle) {
        label->setAlignment(model.WordWrap()
                                ? (AlignmentOf(model.GetAlignment()) & ~Qt::AlignVCenter) |
                                      Qt::AlignTop
                                : AlignmentOf(model.GetAlignment()));
        label->setWordWrap(model.WordWrap());
      }
      break;
    }
    case ui::Kind::kFlatButton:
    case ui::Kind::kButton:
      if (p == ui::Property::kCaption) static_cast<QAbstractButton*>(w)->setText(Q(c.Caption()));
      if (p == ui::Property::kContent || p == ui::Property::kStyle) w->update();
      break;
    case ui::Kind::kImage:
      if (p == ui::Property::kContent || p == ui::Property::kStyle) {
        static_cast<ImageWidget*>(w)->Refresh();
      }
      break;
    case ui::Kind::kGroupBox:
      if (p == ui::Property::kCaption) static_cast<QGroupBox*>(w)->setTitle(Q(c.Caption()));
      break;
    case ui::Kind::kComboBox: {
      auto* box = static_cast<QComboBox*>(w);
      auto& model = static_cast<ui::ComboBox&>(c);
      const QSignalBlocker block(box);
      if (p == ui::Property::kContent) {
        box->clear();
        for (const std::string& item : model.Items()) box->addItem(Q(item));
      }
      if (p == ui::Property::kContent || p == ui::Property::kSelection) {
        box->setCurrentIndex(model.ItemIndex());
      }
      break;
    }
    case ui::Kind::kCheckBox: {
      auto* box = static_cast<QCheckBox*>(w);
      const QSignalBlocker block(box);
      if (p == ui::Property::kCaption) box->setText(Q(c.Caption()));
      if (p == ui::Property::kSelection) box->setChecked(static_cast<ui::CheckBox&>(c).Checked());
      break;
    }
    case ui::Kind::kEdit: {
      auto* edit = static_cast<QLineEdit*>(w);
      if (p == ui::Property::kCaption && edit->text() != Q(c.Caption())) {
        edit->setText(Q(c.Caption()));
      }
      break;
    }
    case ui::Kind::kMemo: {
      auto* memo = static_cast<QPlainTextEdit*>(w);
      auto& model = static_cast<ui::Memo&>(c);
      if (p == ui::Property::kStyle) memo->setReadOnly(model.ReadOnly());
      if (p == ui::Property::kContent && memo->toPlainText() != Q(model.Text())) {
        const bool was = syncing_;
        syncing_ = true;
        memo->setPlainText(Q(model.Text()));
        syncing_ = was;
      }
      if (p == ui::Property::kScroll) {
        memo->verticalScrollBar()->setValue(memo->verticalScrollBar()->maximum());
      }
      break;
    }
    case ui::Kind::kProgressBar: {
      auto* bar = static_cast<QProgressBar*>(w);
      auto& model = static_cast<ui::ProgressBar&>(c);
      if (p == ui::Property::kContent) bar->setRange(model.Min(), model.Max());
      if (p == ui::Property::kContent || p == ui::Property::kSelection) {
        bar->setValue(model.Position());
      }
      break;
    }
    case ui::Kind::kStatusBar:
      if (p == ui::Property::kContent || p == ui::Property::kColor) w->update();
      break;
    case ui::Kind::kListView:
      static_cast<ListViewWidget*>(w)->Sync(p);
      break;
    case ui::Kind::kForm:
      break;
  }
}

}  // namespace guiqt
