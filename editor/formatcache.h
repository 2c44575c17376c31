#pragma once

#include <QTextFragment>

#include <vector>

// What a walk's reader makes of each of the document's formats, made once
// per format: a document of many runs has few formats, and converting a
// format costs more than the rest of a run.
template <class T>
class FormatCache {
public:
    template <class Make>
    const T& at(const QTextFragment& fragment, Make&& make)
    {
        const int index = fragment.charFormatIndex();
        if (index < 0)
            return m_scratch = make(fragment.charFormat());
        if (std::size_t(index) >= m_made.size()) {
            m_made.resize(std::size_t(index) + 1);
            m_values.resize(std::size_t(index) + 1);
        }
        if (!m_made[std::size_t(index)]) {
            m_values[std::size_t(index)] = make(fragment.charFormat());
            m_made[std::size_t(index)] = true;
        }
        return m_values[std::size_t(index)];
    }

private:
    std::vector<bool> m_made;
    std::vector<T> m_values;
    T m_scratch{};
};
