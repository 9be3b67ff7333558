// Small helpers shared by the tests.
#pragma once

#include <QLocale>
#include <QStringList>

class QComboBox;

// Sets the default locale for the scope, then puts the previous one back.
class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale);
    ~DefaultLocale();
    DefaultLocale(const DefaultLocale&) = delete;
    DefaultLocale& operator=(const DefaultLocale&) = delete;

private:
    QLocale m_previous;
};

extern const QLocale french;
extern const QLocale english;

// The texts of a combo box's entries, in order.
QStringList itemTexts(const QComboBox* box);
