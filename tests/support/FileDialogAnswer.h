#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QStringList>
#include <QTimer>

#include <gtest/gtest.h>

// Answers the next modal file dialog once it is up: notes the folder it opened
// at, then picks the file, or cancels when none is given.
inline void AnswerFileDialog(QStringList& startFolders, const QString& file = QString())
{
    QTimer::singleShot(0, [&startFolders, file] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        startFolders << dialog->directory().absolutePath();
        if (file.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(file);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog checks the pick
    });
}
