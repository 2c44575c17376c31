#pragma once

class AnchorLayout;
class QAction;
class QScrollArea;
class QWidget;
class RichTextSurface;

// The four switches of the "Optionen" menu. Their check marks are the whole
// option state; options() applies all four to the window.
struct ViewOptionControls {
    QAction* fzu = nullptr;     // word wrap
    QAction* Tabs1 = nullptr;   // Tab enters a tab
    QAction* Lineal1 = nullptr; // the ruler
    QAction* fg = nullptr;      // fixed width (A4 portrait)
    RichTextSurface* txt = nullptr;
    QWidget* lineal = nullptr;
    QScrollArea* scroller = nullptr; // the window's own scroll bars
    AnchorLayout* anchors = nullptr;
};

class ViewOptions {
public:
    static constexpr int kTopWithRuler = 88;
    static constexpr int kTopWithoutRuler = 64;
    static constexpr int kFixedWidth = 706;

    explicit ViewOptions(const ViewOptionControls& c);

    void options();

private:
    ViewOptionControls m_c;
};
