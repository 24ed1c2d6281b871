#pragma once

#include <QWidget>

namespace velmora {

// What a new user sees where the results will be while no engine is set
// up: what Velmora does and the two ways to get engines.
class CWelcomePage : public QWidget {
    Q_OBJECT
public:
    explicit CWelcomePage(QWidget* parent);

signals:
    void UpdateEnginesClicked();
    void AddEngineClicked();
};

} // namespace velmora
