#include "app/ui/welcome-page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

WelcomePage::WelcomePage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("welcomePage"));
    auto* title = new QLabel(QStringLiteral("<h2>Welcome to Velmora</h2>"), this);
    auto* text = new QLabel(
        QStringLiteral("Velmora finds downloadable files on public FTP and HTTP servers. It asks the search engines "
                       "you tick on the left, lists the servers whose files they name, tests those servers, and "
                       "hands a file to your FTP client or downloads it.<br><br>"
                       "There is no search engine yet. Get the engines Velmora knows with <b>Help &gt; Update "
                       "Engines</b>, or add one of your own in <b>Edit &gt; Settings &gt; Search Engines</b>."),
        this);
    text->setWordWrap(true);
    text->setTextFormat(Qt::RichText);
    auto* update = new QPushButton(QStringLiteral("&Update Engines..."), this);
    update->setObjectName(QStringLiteral("welcomeUpdateEngines"));
    auto* add = new QPushButton(QStringLiteral("&Add an Engine..."), this);
    add->setObjectName(QStringLiteral("welcomeAddEngine"));
    connect(update, &QPushButton::clicked, this, &WelcomePage::UpdateEnginesClicked);
    connect(add, &QPushButton::clicked, this, &WelcomePage::AddEngineClicked);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(update);
    buttons->addWidget(add);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(text);
    layout->addLayout(buttons);
    layout->addStretch();
}

} // namespace velmora
