#pragma once

#include "window_proxy.h"

#include <QDialog>

namespace Tessera {

// A QDialog that is a toolkit window.
class Dialog : public WindowProxy<QDialog>
{
    Q_OBJECT

public:
    explicit Dialog(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
};

} // namespace Tessera
