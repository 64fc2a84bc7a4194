#pragma once

// data.s3 of a test's own in a temporary folder: opened as the program opens it, closed before
// the folder goes.

#include "databaseschema.h"
#include "dbconnection.h"

#include <QTemporaryDir>

class ScratchDatabase
{
public:
    // Creates the folder and the file with the program's tables; false when either cannot be.
    bool open() { return m_dir.isValid() && initMainDatabase(m_dir.path()); }
    ~ScratchDatabase() { closeMainDatabase(); }

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};
