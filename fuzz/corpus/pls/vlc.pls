[playlist]
File1=/p/one.mp3
Title1=One
Length1=61
File2=two.mp3
NumberOfEntries=2
Version=2
