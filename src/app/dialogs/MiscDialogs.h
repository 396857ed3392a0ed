#pragma once

#include "app/dialogs/DialogBase.h"
#include "model/Prompts.h"

class QRadioButton;

namespace brenvik {

// "To save changes" (`cambios`): Yes / No / Cancel. Escape and closing the
// window count as Cancel.
class SaveChangesDialog : public QDialog {
    Q_OBJECT
  public:
    explicit SaveChangesDialog(QWidget* parent = nullptr);
    Prompts::Answer answer() const { return m_answer; }

    static QString questionText();

  signals:
    void answered(brenvik::Prompts::Answer answer);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void finishWith(Prompts::Answer answer);
    Prompts::Answer m_answer = Prompts::Answer::Cancel;
};

// The zoom dialog `zoom1`: 100 % .. 600 % in whole steps.
class ZoomDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit ZoomDialog(double zoom, QWidget* parent = nullptr);
    double zoom() const; // 1.0 .. 6.0 from the selected option

  private:
    QRadioButton* m_options[6] = {};
};

// Help "User guide": the guide of docs/user-guide.md, kept in the program's
// resources, in a window that stays open beside the plan.
class UserGuideDialog : public QDialog {
    Q_OBJECT
  public:
    explicit UserGuideDialog(QWidget* parent = nullptr);
};

// The about box `canarina`: version and the libraries the program runs with.
class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace brenvik
