#pragma once

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/Sequence.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <QString>

#include <initializer_list>
#include <utility>

// The local end of the UNO bridge and the small conversions between Qt and UNO.
namespace UnoBridge {

// The component context of this process, bootstrapped once. Throws EngineError.
css::uno::Reference<css::uno::XComponentContext> localContext(const QString &officeProgramFolder);

rtl::OUString toUno(const QString &text);
QString fromUno(const rtl::OUString &text);

// A file URL as LibreOffice expects it (absolute, percent-encoded UTF-8).
rtl::OUString fileUrl(const QString &path);

css::beans::PropertyValue property(const char *name, const css::uno::Any &value);
css::uno::Sequence<css::beans::PropertyValue> properties(std::initializer_list<css::beans::PropertyValue> values);

// The message an office exception carries, with its type for context.
QString describe(const css::uno::Exception &error);

} // namespace UnoBridge
