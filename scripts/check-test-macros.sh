#!/usr/bin/env bash
# Qt's QVERIFY, QCOMPARE and QTRY_* only return from the function when they
# fail; inside a GoogleTest test nothing records the failure and the test
# passes. Fails when a GoogleTest source uses one of them.
set -euo pipefail
cd "$(dirname "$0")/.."
found=$(grep -rnE '\b(QVERIFY|QCOMPARE|QTRY_[A-Z_]+)[[:space:]]*\(' --include='*.cpp' --include='*.h' tests || true)
if [ -n "$found" ]; then
  echo "$found" >&2
  echo "Qt test macros cannot fail a GoogleTest test: use ASSERT_TRUE(QTest::qWaitFor(...)) and gtest macros." >&2
  exit 1
fi
