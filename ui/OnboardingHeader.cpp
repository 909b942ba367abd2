#include "ui/OnboardingHeader.h"

#include <QVBoxLayout>

#include "ui/Divider.h"
#include "ui/Labels.h"
#include "ui/LogoView.h"
#include "ui/Theme.h"

namespace nabbit {

QVBoxLayout* addOnboardingHeader(QWidget* page, QVBoxLayout* column, const QString& title) {
    using namespace theme::onboarding;
    auto* header = new QVBoxLayout;
    header->setContentsMargins(0, headerTop, 0, headerBottom);
    header->setSpacing(headerSpacing);
    header->addWidget(new LogoView(logoHeight, page), 0, Qt::AlignHCenter);
    header->addWidget(
        makeLabel(title, theme::font(titleFontSize, QFont::Bold), QPalette::WindowText, page), 0,
        Qt::AlignHCenter);
    column->addLayout(header);
    column->addWidget(new Divider(page));
    return header;
}

}  // namespace nabbit
