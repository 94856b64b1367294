#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A whole INI-style text file in memory: sections and their entries in the order first
// met, names matched exactly (case-sensitive), a later duplicate replacing the earlier
// value. On disk the text is code page 936 with CR LF line ends, as the drive tools on
// the other platform read and write it. Each user builds its own object for one read or
// one read-modify-write.
class CIniFile {
public:
    CIniFile();
    explicit CIniFile(const QString& path);
    virtual ~CIniFile();

    // No INI file of the program comes near this size; a larger one is something else and
    // is refused before it is read whole.
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    // Adds the file's sections and entries to what the object holds. False for a missing
    // file (error text untouched), for one that cannot be read ("Unable to open ini
    // file.") and for one larger than kMaxFileBytes (the error text says so).
    bool ReadFile();
    // As ReadFile, but a missing file is first created empty; false (error text
    // untouched) when it cannot be created.
    bool ReadOrCreateFile();
    // Replaces the file with the whole content. The text goes to a temporary file that
    // is renamed over the old one only when all of it was written, so a failed save
    // leaves the old file as it was; false and an error text on failure.
    bool WriteFile();

    // Empty text when the section or entry is missing, with "Unable to locate specified
    // key." or "Unable to locate specified value." as error text.
    QString GetValue(const QString& section, const QString& name);
    // Numbers are read and written in the C locale, whatever the user's locale.
    int GetValueI(const QString& section, const QString& name);
    double GetValueF(const QString& section, const QString& name);

    // The entry names of a section in the order first met; empty for a missing section.
    QStringList ValueNames(const QString& section) const;

    // Stores the value; a missing section or entry is appended when create is set, else
    // the result is false. Never touches the error text.
    bool SetValue(const QString& section, const QString& name, const QString& value, bool create);
    bool SetValueI(const QString& section, const QString& name, int value, bool create);   // "%d"
    bool SetValueF(const QString& section, const QString& name, double value, bool create); // "%e"

    const QString& Path() const { return path; }
    const QString& Error() const { return error; }

    // One section's entries: names[i] = values[i].
    struct key {
        QStringList values;
        QStringList names;
        QHash<QString, qsizetype> index; // entry name -> position, so big files load in linear time
    };

private:
    qsizetype FindKey(const QString& section) const;
    qsizetype FindValue(qsizetype keyIndex, const QString& name) const;
    void Parse(const QString& text);

    QString path;
    QList<key> keys;
    QStringList names; // section names, parallel to keys
    QHash<QString, qsizetype> index; // section name -> position
    QString error;
};
