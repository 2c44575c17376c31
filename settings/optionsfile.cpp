#include "optionsfile.h"

#include "atomicfiles.h"

#include "ioerror.h"
#include "sharedstate.h"

#include <QAbstractButton>
#include <QAction>

OptionsFile::OptionsFile(const OptionControls& controls)
    : m_c(controls)
{
}

void OptionsFile::OptRead()
{
    options::Record record;
    if (!record.read(readWholeFile(m_c.state->OptionsPath)).ok())
        throw IoError(IoError::Cause::ReadPastEnd).about(m_c.state->OptionsPath); // nothing of a short record is applied
    m_record = record;
    m_c.fzu->setChecked(m_record.switchOn(options::WordWrap));
    m_c.Tabs1->setChecked(m_record.switchOn(options::Tabs));
    m_c.Lineal1->setChecked(m_record.switchOn(options::Ruler));
    m_c.fg->setChecked(m_record.switchOn(options::FixedWidth));
    m_c.CheckBox1->setChecked(m_record.switchOn(options::MatchCase));
    m_c.CheckBox2->setChecked(m_record.switchOn(options::WholeWord));
    m_c.CheckBox3->setChecked(m_record.switchOn(options::WholeText));
    m_c.state->OpenDir = m_record.directory(options::kOpenDirOffset);
    m_c.state->SaveDir = m_record.directory(options::kSaveDirOffset);
}

void OptionsFile::OptSave()
{
    m_record.setSwitch(options::WordWrap, m_c.fzu->isChecked());
    m_record.setSwitch(options::Tabs, m_c.Tabs1->isChecked());
    m_record.setSwitch(options::Ruler, m_c.Lineal1->isChecked());
    m_record.setSwitch(options::FixedWidth, m_c.fg->isChecked());
    m_record.setSwitch(options::MatchCase, m_c.CheckBox1->isChecked());
    m_record.setSwitch(options::WholeWord, m_c.CheckBox2->isChecked());
    m_record.setSwitch(options::WholeText, m_c.CheckBox3->isChecked());
    m_record.setDirectory(options::kOpenDirOffset, m_c.state->OpenDir);
    m_record.setDirectory(options::kSaveDirOffset, m_c.state->SaveDir);
    // Whole or not at all: a failed write leaves the old file.
    writeFilesAtomically({{m_c.state->OptionsPath, m_record.bytes()}});
}
