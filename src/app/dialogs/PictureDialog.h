#pragma once

#include "app/dialogs/DialogBase.h"

class QLineEdit;

namespace brenvik {

// "Export picture" (`exportPicture`): the size of the picture in pixels and
// its resolution. The height follows the width in the plan's proportions until
// the user types one of their own.
class PictureDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    PictureDialog(int width, int height, double dpi, QWidget* parent = nullptr);

    int pictureWidth() const;
    int pictureHeight() const;
    double dpi() const;

  private:
    QLineEdit* m_width = nullptr;
    QLineEdit* m_height = nullptr;
    QLineEdit* m_dpi = nullptr;
    bool m_heightTyped = false;
};

} // namespace brenvik
