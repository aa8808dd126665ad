#pragma once
// Every message the user sees goes through Alerts, so the core can show one without knowing the
// platform, and tests can read each text and answer it.

#include <cstdarg>
#include <string>
#include <utility>

namespace tessera {

enum class AlertCaption {
    Product,  // "Tessera": the plug-in's own warnings
    Module,   // the plug-in module's file name: failures of the host
    Path,     // the full path of the file the message is about (Alert::path)
};

enum class AlertIcon { None, Warning, Error, Information, Question };

enum class AlertButtons { Ok, YesNo, YesNoCancel };

enum class AlertAnswer { Ok, Yes, No, Cancel };

struct Alert {
    std::string text;
    AlertCaption caption = AlertCaption::Product;
    std::string path;  // the caption when caption is Path
    AlertIcon icon = AlertIcon::None;
    AlertButtons buttons = AlertButtons::Ok;
};

class Alerts {
  public:
    virtual ~Alerts() = default;
    virtual AlertAnswer Show(const Alert& alert) = 0;
};

inline constexpr const char* kProductName = "Tessera";

// A warning with an OK button, in the plug-in's own name or, with AlertCaption::Module, about the host.
inline Alert WarningAlert(std::string text, AlertCaption caption = AlertCaption::Product) {
    Alert alert;
    alert.text = std::move(text);
    alert.caption = caption;
    alert.icon = AlertIcon::Warning;
    return alert;
}

// printf-style formatting for the fixed message texts that carry numbers or names.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatTextList(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

}  // namespace tessera
