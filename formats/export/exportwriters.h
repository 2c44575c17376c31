#pragma once

#include "styledtext.h"

#include <QString>

class QIODevice;

// Documents for other programs, with the Greek as real Unicode: OpenDocument
// text, HTML and UTF-8 text, written straight from the model onto a device
// as they go, so that a document of any size needs no second copy. Runs in
// the font "Greek" are set in the family that font is made from.
namespace exportwriters {

inline constexpr const char* kGreekFamily = "Gentium Plus";

struct Options {
    QString title;
    QString greekFamily = QString::fromLatin1(kGreekFamily);
};

// Each returns false when the device failed, with the reason in `error`.
bool writeOdt(const styled::Document& document, QIODevice& out, const Options& options, QString* error);
bool writeHtml(const styled::Document& document, QIODevice& out, const Options& options, QString* error);
bool writeText(const styled::Document& document, QIODevice& out, QString* error);

// A run as it leaves the document: Greek codes as Unicode in the Greek family.
styled::Run exportedRun(const styled::Run& run, const QString& greekFamily);

} // namespace exportwriters
