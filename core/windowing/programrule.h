#pragma once

// Installs one of the window rules for the whole program, once: an event filter on the
// application, and a filter of its X events too where the rule is one. A new application
// object (each test's) has it installed anew.

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPointer>

#include <type_traits>

template <typename Rule>
void installProgramRule()
{
    static QPointer<Rule> rule;
    if (rule)
        return;
    rule = new Rule(qApp);
    qApp->installEventFilter(rule);
    if constexpr (std::is_base_of_v<QAbstractNativeEventFilter, Rule>)
        qApp->installNativeEventFilter(rule);
}
