#pragma once

#include <QTest>
#include <tuple>

// A table's columns declared, and the current row read, in one statement:
//   Rows::columns<int, QString>("width", "name");
//   auto [width, name] = Rows::fetch<int, QString>("width", "name");
namespace Rows {

template<typename... T, typename... Names> void columns(Names... names)
{
    (QTest::addColumn<T>(names), ...);
}

template<typename... T, typename... Names> std::tuple<T...> fetch(Names... names)
{
    return { *static_cast<T *>(QTest::qData(names, qMetaTypeId<T>()))... };
}

} // namespace Rows
