#pragma once

#include <QFrame>
#include <QLabel>
#include <QSizeGrip>

#include <array>

namespace velmora {

// The main window's status bar: five parts whose right edges stand at 100,
// 150, 250 and 300 pixels and the end of the bar. Parts 0 and 2 are labels
// drawn raised; part 1 shows the result count, part 3 the running workers.
class StatusBar : public QFrame {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent);

    void SetText(int part, const QString& text);
    QString GetText(int part) const;
    void SetToolTip(int part, const QString& text);
    int GetPartRight(int part) const;
    // Wide enough for the longest activity text, so the smallest window
    // still shows it whole.
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::array<QLabel*, 5> m_parts{};
    QSizeGrip* m_grip = nullptr;
};

} // namespace velmora
