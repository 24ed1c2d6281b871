#pragma once

#include <QWidget>

namespace velmora {

// What a new user sees where the results will be while no engine is set
// up: what Velmora does and the two ways to get engines.
class WelcomePage : public QWidget {
    Q_OBJECT
public:
    explicit WelcomePage(QWidget* parent);

signals:
    void UpdateEnginesClicked();
    void AddEngineClicked();
};

} // namespace velmora
