#include "dialog.h"

namespace Tessera {

Dialog::Dialog(QWidget* parent, Qt::WindowFlags flags)
    : WindowProxy<QDialog>(parent, flags)
{}

} // namespace Tessera
