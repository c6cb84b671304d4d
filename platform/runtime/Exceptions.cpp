#include "Exceptions.h"

Exception::Exception(QString Message)
    : FMessage(std::move(Message)), FUtf8(FMessage.toUtf8())
{
}

QString ExceptionMessage(std::exception_ptr Error)
{
    try {
        std::rethrow_exception(Error);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Неизвестная ошибка");
    }
}
