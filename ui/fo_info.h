#pragma once
// The about box: program version and the project's own contact lines, the same in both
// languages; closed with the window's close box.

#include <QDialog>

namespace kestrom::ui {

class TFoInfo : public QDialog {
    Q_OBJECT
public:
    explicit TFoInfo(QWidget* parent = nullptr);
};

} // namespace kestrom::ui
