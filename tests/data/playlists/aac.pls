[playlist]
NumberOfEntries=1
File1=http://@HOST@/aac
Title1=Teszt Rádió AAC
Length1=-1
Version=2
