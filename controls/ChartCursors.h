#pragma once

// The measuring cursors of a chart: two vertical (X1, X2) and two horizontal (Y1, Y2)
// lines placed by clicks while their measuring mode is on, grabbed near their line and
// dragged. Positions are client pixels: x for a vertical cursor, y for a horizontal one.
class ChartCursors {
public:
    enum Which { X1 = 1, X2 = 2, Y1 = 3, Y2 = 4 };

    // A press within this many pixels of a placed line grabs it.
    static constexpr int kGrabDistance = 20;

    // Which distances changed and must be reported to the owner (X before Y).
    struct Changes {
        bool xDistance = false;
        bool yDistance = false;
    };

    bool XMode() const { return m_xMode; }
    bool YMode() const { return m_yMode; }
    bool AnyMode() const { return m_xMode || m_yMode; }

    // Switching a mode off removes its two lines.
    void EnableX(bool on);
    void EnableY(bool on);

    // Makes one placed cursor the one being dragged; false (and nothing dragged) for a
    // cursor that is not placed or an unknown number.
    bool SetDrag(int which);
    bool Dragging() const;
    // Stops any drag and leaves the lines where they are.
    void CancelDrag();

    // A left-button press: grabs a placed line within reach when its pair is complete,
    // then places the first free line of each active mode at the point.
    Changes Press(int x, int y);
    // Moves the dragged line to the point.
    Changes Move(int x, int y);
    // A button-up ends a drag and reports both distances.
    Changes Release();

    bool Placed(int which) const;
    bool IsDragging(int which) const;
    int Position(int which) const;

    // Distance between the vertical lines in X units, for a plot `clientWidth` pixels wide
    // showing `xRangeWidth` units; 0 on a plot of no width.
    int XDistance(int clientWidth, double xRangeWidth) const;
    // Distance between the horizontal lines in ten-thousandths of the plot height.
    int YDistance(int clientHeight) const;

private:
    struct Line {
        int pos = 0;
        bool placed = false;
        bool dragging = false;
    };

    Line* LineOf(int which);
    const Line* LineOf(int which) const;

    bool m_xMode = false;
    bool m_yMode = false;
    Line m_lines[4];  // X1, X2, Y1, Y2
};
