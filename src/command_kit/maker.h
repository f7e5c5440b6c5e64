#pragma once

#include <QString>

// Where the makers can be reached. The domain is reserved for examples.
namespace ferrowax::maker {

inline const QString supportEmail = QStringLiteral("support@kestrune.example");
inline const QString homePage = QStringLiteral("https://www.kestrune.example/ferrowax/");
inline const QString contactPage = QStringLiteral("https://www.kestrune.example/contact/");

} // namespace ferrowax::maker
