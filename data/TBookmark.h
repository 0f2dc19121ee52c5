#pragma once

// A row of a dataset: its number in the row cache and its place among the visible rows.
class TBookmark {
public:
    TBookmark() = default;
    TBookmark(int row, int position) : m_row(row), m_position(position) {}
    bool IsNull() const { return m_row < 0; }
    int Row() const { return m_row; }
    int Position() const { return m_position; }
    bool operator==(const TBookmark&) const = default;

private:
    int m_row = -1;
    int m_position = -1;
};
