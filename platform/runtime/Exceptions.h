#pragma once
// The exception kinds of the platform. Every one carries the message that the user is shown.

#include <QString>

#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(QString Message);
    const QString& Message() const { return FMessage; }
    const char* what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

#define VEL_EXCEPTION_KIND(Kind, Base)                        \
    class Kind : public Base {                                \
    public:                                                   \
        explicit Kind(QString Message) : Base(std::move(Message)) {} \
    };

VEL_EXCEPTION_KIND(EDatabaseError, Exception)
VEL_EXCEPTION_KIND(ERegistryException, Exception)
VEL_EXCEPTION_KIND(EPackageError, Exception)
VEL_EXCEPTION_KIND(ERangeError, Exception)
VEL_EXCEPTION_KIND(EConvertError, Exception)
VEL_EXCEPTION_KIND(EInOutError, Exception)
VEL_EXCEPTION_KIND(EListError, Exception)
VEL_EXCEPTION_KIND(EInvalidGraphic, Exception)
VEL_EXCEPTION_KIND(EClassNotConstructible, Exception)

// The message of whatever was thrown, for the default error box and the error guards.
QString ExceptionMessage(std::exception_ptr Error);
