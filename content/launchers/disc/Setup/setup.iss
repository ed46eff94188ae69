; Response file of the installer stand-in on the sample disc. make-disc.sh
; fills in Value: the folder the title is "installed" to.
[Install]
RegKey=Software\Pellam\Ostrevan Haus
RegEntry=InstallPath
Value=@INSTALL_DIR@

[Test]
Mode=normal
Delay=150
