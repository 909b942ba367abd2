#pragma once

#include <QString>

class QVBoxLayout;
class QWidget;

namespace nabbit {

// The top of a setup page: the logo and the page's title, centred, then a divider, added to
// the page's column. Returns the header's layout, for a line under the title.
QVBoxLayout* addOnboardingHeader(QWidget* page, QVBoxLayout* column, const QString& title);

}  // namespace nabbit
