#pragma once

// The main of every widget test program: QTEST_MAIN (KR_WEBENGINE_TEST_MAIN
// for the map page's), with the settings store finished once the test
// object's tests have run and before the object goes. A test keeps its
// settings file in a temporary folder of its own that goes with the object:
// what is still to be written then belongs in that file, not in a warning
// that it could not be written.

#include "core/foundation/SettingsStore.h"

#include <QTest>

namespace apptest {

template <class TestObject>
class SettingsWrittenFirst : public TestObject {
public:
    ~SettingsWrittenFirst() override { SettingsStore::finish(); }
};

} // namespace apptest

#define KR_TEST_MAIN(TestObject) QTEST_MAIN(apptest::SettingsWrittenFirst<TestObject>)
